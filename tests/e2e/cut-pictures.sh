#!/usr/bin/env bash
# Keeps pictures of the cut panel in the middle of a cut and of both device dialogs. The e2e
# program poses each window (Cut.DISABLED_PosesForPictures) and writes its title to NAME.ready;
# this script takes the picture and answers with NAME.done.
#   cut-pictures.sh TOOLS_DIR E2E_TESTS_EXE WINEPREFIX OUT_DIR
set -u
tools=$1 exe=$2 prefix=$3 outdir=$4
fail() { echo "FAIL: $*" >&2; cat "$work/log.txt" >&2; exit 1; }
work=$(mktemp -d)
# The Windows program runs as a child of the wrapper: stop both.
trap 'kill $(ps -o pid= --ppid $program) $program 2>/dev/null; rm -rf "$work"' EXIT
export CADREL_PICTURE_DIR="Z:${work//\//\\}"
"$tools/wine-run" --prefix "$prefix" "$exe" --gtest_also_run_disabled_tests \
  --gtest_filter=Cut.DISABLED_PosesForPictures >"$work/log.txt" 2>&1 &
program=$!
# The program shows the windows in its own order; each is taken when it is ready.
for _ in 1 2 3; do
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
