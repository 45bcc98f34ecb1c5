#!/usr/bin/env bash
# Runs the real cadrel.exe on the test display, saves a PNG of its main window as a build
# artefact, checks the picture is the main window, then closes it with Escape and expects exit 0.
#   main-window-screenshot.sh TOOLS_DIR CADREL_EXE WINEPREFIX OUT.png
set -u
tools=$1 exe=$2 prefix=$3 out=$4
fail() { echo "FAIL: $*" >&2; exit 1; }

xvfb=""
if [ -z "${DISPLAY:-}" ]; then
  fifo=$(mktemp -u); mkfifo "$fifo"
  Xvfb -displayfd 7 -screen 0 1024x768x24 -nolisten tcp 7>"$fifo" >/dev/null 2>&1 &
  xvfb=$!
  read -r -t 20 num <"$fifo" || fail "Xvfb did not start"
  rm -f "$fifo"
  export DISPLAY=":$num" CADREL_XVFB=1
fi
home=$(mktemp -d)
program=""
finish() {
  [ -n "$program" ] && kill "$program" 2>/dev/null
  rm -rf "$home"
  if [ -n "$xvfb" ]; then WINEPREFIX=$prefix wineserver -k 2>/dev/null; kill "$xvfb" 2>/dev/null; fi
}
trap finish EXIT

# A state directory of its own, given to the Windows program through Wine's Z: drive.
export TAMBER_HOME="Z:${home//\//\\}"
rm -f "$out"
"$tools/wine-run" --prefix "$prefix" "$exe" &
program=$!

"$tools/screenshot" --timeout 60 "Tamber Cadrel" "$out" >/dev/null || {
  import -window root "${out%.png}-screen.png" 2>/dev/null
  fail "no main window; the whole screen is in ${out%.png}-screen.png"
}
echo "main window saved to $out"

# The picture must be the whole main window, frame and status bar included, and not blank.
read -r width height colours < <(identify -format '%w %h %k\n' "$out")
[ "$width" -ge 300 ] && [ "$height" -ge 250 ] || fail "picture is ${width}x${height}, too small for the main window"
[ "$colours" -ge 8 ] || fail "picture has $colours colours: nothing was painted"

"$tools/press-escape" "Tamber Cadrel" || fail "main window vanished"
for _ in $(seq 1 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.2; done
kill -0 "$program" 2>/dev/null && fail "cadrel.exe still running 20 s after Escape"
wait "$program"
rc=$?
program=""
[ "$rc" -eq 0 ] || fail "cadrel.exe exit code $rc after Escape"
echo "cadrel.exe closed with Escape, exit code 0"
