#!/usr/bin/env bash
# Keeps pictures of windows the e2e program poses: a DISABLED_ case shows each window and writes
# its title to NAME.ready; this script takes the picture and answers with NAME.done. With a DPI
# the display is scaled for the run (Wine's LogPixels) and set back after it.
#   pictures.sh TOOLS_DIR E2E_TESTS_EXE WINEPREFIX OUT_DIR FILTER COUNT [DPI]
set -u
tools=$1 exe=$2 prefix=$3 outdir=$4 filter=$5 count=$6 dpi=${7:-}
fail() { echo "FAIL: $*" >&2; cat "$work/log.txt" >&2; exit 1; }
work=$(mktemp -d)
program=""
dpikey='HKCU\Control Panel\Desktop'
finish() {
  # The Windows program runs as a child of the wrapper: stop both.
  [ -n "$program" ] && kill $(ps -o pid= --ppid $program) $program 2>/dev/null
  [ -n "$dpi" ] && "$tools/wine-run" --prefix "$prefix" reg delete "$dpikey" /v LogPixels /f >/dev/null 2>&1
  rm -rf "$work"
}
trap finish EXIT
if [ -n "$dpi" ]; then
  "$tools/wine-run" --prefix "$prefix" reg add "$dpikey" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 ||
    fail "could not set the display to $dpi DPI"
fi
export CADREL_PICTURE_DIR="Z:${work//\//\\}"
"$tools/wine-run" --prefix "$prefix" "$exe" --gtest_also_run_disabled_tests \
  --gtest_filter="$filter" >"$work/log.txt" 2>&1 &
program=$!
# The program shows the windows in its own order; each is taken when it is ready.
for _ in $(seq 1 "$count"); do
  name=""
  for _ in $(seq 1 600); do
    for f in "$work"/*.ready; do [ -e "$f" ] && [ ! -e "${f%.ready}.done" ] && name=$(basename "$f" .ready); done
    [ -n "$name" ] && break
    sleep 0.1
  done
  [ -n "$name" ] || fail "a window was never shown"
  "$tools/screenshot" --timeout 20 "$(cat "$work/$name.ready")" "$outdir/$name.png" >/dev/null || fail "no picture of $name"
  touch "$work/$name.done"
  read -r width height colours < <(identify -format '%w %h %k\n' "$outdir/$name.png")
  [ "$width" -ge 200 ] && [ "$height" -ge 150 ] && [ "$colours" -ge 8 ] || fail "$name: ${width}x${height}, $colours colours"
  echo "$name saved to $outdir/$name.png"
done
wait $program || fail "the program that shows the windows failed"
program=""
