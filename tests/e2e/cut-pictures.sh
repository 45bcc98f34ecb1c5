#!/usr/bin/env bash
# Keeps pictures of the cut panel in the middle of a cut and of both device dialogs. The e2e
# program poses each window (its *.DISABLED_PosesForPictures cases) and names it in
# NAME.ready; this script takes the picture and answers with NAME.done.
#   cut-pictures.sh TOOLS_DIR E2E_TESTS_EXE WINEPREFIX OUT_DIR
set -u
tools=$1 exe=$2 prefix=$3 outdir=$4
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY: run it through tools/check, which provides one"
work=$(mktemp -d)
program=""
finish() {
  [ -n "$program" ] && kill "$program" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT
export CADREL_PICTURE_DIR="Z:${work//\//\\}"
mkdir -p "$outdir"
"$tools/wine-run" --prefix "$prefix" "$exe" --gtest_also_run_disabled_tests \
  --gtest_filter='*.DISABLED_PosesForPictures' >"$work/log.txt" 2>&1 &
program=$!

taken=0 deadline=$((SECONDS + 100))
while [ $taken -lt 3 ] && [ $SECONDS -lt $deadline ]; do
  ready=""
  for f in "$work"/*.ready; do
    [ -e "$f" ] && [ ! -e "${f%.ready}.done" ] && ready=$f && break
  done
  if [ -z "$ready" ]; then
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
    continue
  fi
  name=$(basename "$ready" .ready) title=$(cat "$ready")
  out="$outdir/$name.png"
  rm -f "$out"
  "$tools/screenshot" --timeout 20 "$title" "$out" >/dev/null || fail "no window \"$title\" for $name"
  touch "${ready%.ready}.done"
  read -r width height colours < <(identify -format '%w %h %k\n' "$out")
  [ "$width" -ge 200 ] && [ "$height" -ge 150 ] && [ "$colours" -ge 8 ] || fail "$name: ${width}x${height}, $colours colours"
  echo "$name saved to $out"
  taken=$((taken + 1))
done
[ $taken -eq 3 ] || { cat "$work/log.txt"; fail "$taken of 3 pictures taken"; }
wait "$program"; rc=$?; program=""
[ "$rc" -eq 0 ] || { cat "$work/log.txt"; fail "the posing program failed with $rc"; }
