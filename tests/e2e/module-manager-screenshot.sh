#!/usr/bin/env bash
# Keeps a picture of the Module Manager with both lists filled and an installed module locked:
# the e2e case that locks it waits while the picture is taken.
#   module-manager-screenshot.sh TOOLS_DIR E2E_TESTS_EXE WINEPREFIX OUT.png
set -u
tools=$1 exe=$2 prefix=$3 out=$4
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY: run it through tools/check, which provides one"
dir=$(mktemp -d)
program=""
finish() {
  [ -n "$program" ] && kill "$program" 2>/dev/null
  rm -rf "$dir"
}
trap finish EXIT
export CADREL_PICTURE_READY="Z:${dir//\//\\}\\ready"

"$tools/wine-run" --prefix "$prefix" "$exe" \
  --gtest_filter=ModuleManager.ChangesReachTheEmulatorOnlyWhenTheInstalledSetChanged >"$dir/log" 2>&1 &
program=$!
for _ in $(seq 1 150); do [ -e "$dir/ready" ] && break; sleep 0.2; done
[ -e "$dir/ready" ] || fail "the Module Manager never showed a locked module: $(tail -5 "$dir/log")"
rm -f "$out"
"$tools/screenshot" --timeout 20 "Module Manager" "$out" >/dev/null || fail "no Module Manager window"
touch "$dir/ready.done"
wait "$program"; rc=$?; program=""
[ "$rc" -eq 0 ] || fail "the e2e case failed: $(tail -20 "$dir/log")"
read -r width height colours < <(identify -format '%w %h %k\n' "$out")
[ "$width" -ge 500 ] && [ "$height" -ge 200 ] && [ "$colours" -ge 8 ] || fail "picture ${width}x${height}, $colours colours"
echo "Module Manager saved to $out"
