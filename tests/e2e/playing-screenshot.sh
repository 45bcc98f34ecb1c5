#!/usr/bin/env bash
# Keeps a picture of the main window while a Saturn plays: target, devices, drive state, time and
# the Messages lines of a first start (the upload). Then leaves with Escape and expects exit code 0.
#   playing-screenshot.sh TOOLS_DIR CADREL_EXE WINEPREFIX OUT.png
set -u
tools=$1 exe=$2 prefix=$3 out=$4
fail() { echo "FAIL: $*" >&2; exit 1; }
# The test run's shared display (tools/check provides one).
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY: run it through tools/check, which provides one"
home=$(mktemp -d)
program=""
finish() {
  [ -n "$program" ] && kill "$program" 2>/dev/null
  rm -rf "$home"
}
trap finish EXIT
winpath() { echo "Z:${1//\//\\}"; }
export TAMBER_HOME=$(winpath "$home") TAMBER_TRACE=$(winpath "$home/trace.txt")
export TAMBER_EMULATOR=$(winpath "$tools/scenarios/saturn-plays.toml")

"$tools/wine-run" --prefix "$prefix" "$exe" &
program=$!
# Wait until the status bar has said "Play" in the trace's terms: a poll with activity 6 state 3.
for _ in $(seq 1 150); do
  grep -q 'GetStatus .*kind=1 .*activity=6 state=3 ' "$home/trace.txt" 2>/dev/null && break
  sleep 0.2
done
grep -q 'activity=6 state=3 ' "$home/trace.txt" 2>/dev/null || fail "the Saturn never played"
sleep 2  # a few seconds into the disc
rm -f "$out"
"$tools/screenshot" --timeout 30 "Tamber Cadrel" "$out" >/dev/null || fail "no main window"
read -r width height colours < <(identify -format '%w %h %k\n' "$out")
[ "$width" -ge 300 ] && [ "$height" -ge 250 ] && [ "$colours" -ge 8 ] || fail "picture ${width}x${height}, $colours colours"
echo "playing main window saved to $out"
"$tools/press-escape" "Tamber Cadrel" || fail "main window vanished"
for _ in $(seq 1 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.2; done
kill -0 "$program" 2>/dev/null && fail "cadrel.exe still running 20 s after Escape"
wait "$program"; rc=$?; program=""
[ "$rc" -eq 0 ] || fail "exit code $rc"
grep -q '^live objects: 0' "$home/trace.txt" || fail "objects left alive at exit: $(tail -1 "$home/trace.txt")"
