#!/usr/bin/env bash
# The release as a Windows user meets it, on a fresh Wine prefix: a silent install, a start from
# the Start-menu shortcut with the virtual emulator playing, an upgrade to a newer version that
# keeps the settings, a silent uninstall that keeps them too, then the portable zip unpacked into
# a folder of its own. cadrelctl comes along, and the setup puts the program folder on the user's
# PATH and takes it off again.
#   install-upgrade-uninstall.sh TOOLS_DIR DIST_DIR VERSION CADREL_EXE CADRELCTL_EXE TAMBER_CO_DLL
set -u
tools=$1 dist=$2 version=$3 exe=$4 ctl=$5 dll=$6
fail() { echo "FAIL: $*" >&2; exit 1; }
started=$SECONDS
tmp=$(mktemp -d)
prefix=$tmp/prefix
program="" xvfb=""
finish() {
  [ -n "$program" ] && kill "$program" 2>/dev/null
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$tmp"
}
trap finish EXIT

# A display of its own: the other tests' main windows have the same title.
fifo=$tmp/fifo; mkfifo "$fifo"
Xvfb -displayfd 7 -screen 0 1024x768x24 -nolisten tcp 7>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r -t 20 num <"$fifo" || fail "Xvfb did not start"
export DISPLAY=":$num" CADREL_XVFB=1
# No desktop entries in the Linux user's menus for the shortcut Wine sees being made.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
unset TAMBER_HOME TAMBER_EMULATOR TAMBER_TRACE
wine() { "$tools/wine-run" --prefix "$prefix" "$@"; }
"$tools/wine-run" --prefix "$prefix" --init || fail "no fresh Wine prefix"
WINEPREFIX=$prefix wineserver -p

drive=$prefix/drive_c
unix_path() { local p=${1#[Cc]:\\}; echo "$drive/${p//\\//}"; }
win_path() { echo "Z:${1//\//\\}"; }
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Cadrel'
entry_value() { wine reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n { $1 = $2 = ""; sub(/^ +/, ""); print }'; }
# How often the user's PATH names the program folder.
on_path() { wine reg query 'HKCU\Environment' /v Path 2>/dev/null | tr -d '\r' | tr ';' '\n' | grep -cix '.*C:\\Program Files\\Cadrel$'; }
shortcut="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Tamber Cadrel.lnk"
setup=$dist/cadrel-$version-win64-setup.exe
[ -f "$setup" ] || fail "no installer $setup"
(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "the release files do not match SHA256SUMS"

# The target of a shell link: the LinkInfo's local base path, after the header and item list.
link_target() {
  local lnk=$1 flags off base
  u16() { od -An -tu2 -j "$1" -N2 "$lnk" | tr -d ' '; }
  u32() { od -An -tu4 -j "$1" -N4 "$lnk" | tr -d ' '; }
  flags=$(u32 20) off=76
  (( flags & 1 )) && off=$((off + 2 + $(u16 76)))
  (( flags & 2 )) || return 1
  base=$(u32 $((off + 16)))
  dd if="$lnk" bs=1 skip=$((off + base)) count=260 2>/dev/null | tr '\0' '\n' | head -1
}

# Starts a cadrel.exe, waits until the main window is shown and the drive plays.
start_playing() {  # start_playing UNIX_EXE TRACE_FILE
  (cd "$(dirname "$1")" && TAMBER_TRACE=$(win_path "$2") exec "$tools/wine-run" --prefix "$prefix" "$1") &
  program=$!
  for _ in $(seq 1 200); do
    grep -q 'GetStatus .*kind=1 .*activity=6 state=3 ' "$2" 2>/dev/null && break
    kill -0 "$program" 2>/dev/null || fail "$1 ended before playing: $(tail -3 "$2" 2>/dev/null)"
    sleep 0.2
  done
  grep -q 'activity=6 state=3 ' "$2" 2>/dev/null || fail "$1 never showed the drive playing"
  for _ in $(seq 1 50); do
    xdotool search --onlyvisible --name '^Tamber Cadrel$' >/dev/null && return 0
    sleep 0.2
  done
  fail "$1 shows no main window"
}
close_program() {
  "$tools/press-escape" "Tamber Cadrel" || fail "the main window vanished"
  for _ in $(seq 1 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.2; done
  kill -0 "$program" 2>/dev/null && fail "cadrel.exe still running 20 s after Escape"
  wait "$program"; local rc=$?; program=""
  [ "$rc" -eq 0 ] || fail "cadrel.exe exit code $rc after Escape"
}
# The user's data: settings, modules, box state. A checksum list of every file.
data_sums() {
  (cd "$drive" && find ProgramData/Tamber users/*/AppData/Roaming/Tamber users/*/AppData/Local/Tamber \
    -type f 2>/dev/null | sort | xargs -r -d '\n' sha256sum)
}

# 1. Silent install of this version.
wine "$(win_path "$setup")" /S || fail "silent install: exit code $?"
dir="$drive/Program Files/Cadrel"
for f in cadrel.exe cadrelctl.exe tamber_co.dll uninstall.exe README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt scenarios/saturn-plays.toml; do
  [ -f "$dir/$f" ] || fail "the install has no $f"
done
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
# One version everywhere: file name, file properties, uninstall entry.
shown=$(entry_value DisplayVersion)
[ "$shown" = "$version" ] || fail "the uninstall entry says version '$shown', the file name $version"
for f in cadrel.exe cadrelctl.exe tamber_co.dll; do
  props=$(strings -e l "$dir/$f" | grep -A1 -x ProductVersion | tail -1)
  [ "$props" = "$version" ] || fail "$f's file properties say version '$props', the file name $version"
done
[ "$(entry_value Publisher)" = "The Cadrel developers" ] || fail "uninstall entry has no publisher"
[ "$(entry_value DisplayIcon)" = 'C:\Program Files\Cadrel\cadrel.exe,0' ] || fail "uninstall entry icon: $(entry_value DisplayIcon)"
[ -n "$(entry_value EstimatedSize)" ] || fail "uninstall entry has no size"
[ "$(on_path)" = 1 ] || fail "the user's PATH does not name the program folder once: $(wine reg query 'HKCU\Environment' /v Path 2>&1 | tr -d '\r')"
# Found by name, as a build script finds it, and it reaches the box.
shown=$(wine cmd /c "cadrelctl --version" 2>&1 | tr -d '\r')
[ "$shown" = "$version" ] || fail "cadrelctl from the PATH says '$shown'"

# 2. Start it as the Start menu would: the shortcut's target, in its folder.
target=$(link_target "$shortcut") || fail "the shortcut has no target"
[ "$target" = 'C:\Program Files\Cadrel\cadrel.exe' ] || fail "the shortcut points at '$target'"
start_playing "$(unix_path "$target")" "$tmp/trace-installed.txt"

# 3. A newer version: the same binaries released as the next patch version.
next=${version%.*}.$(( ${version##*.} + 1 ))
bash "$tools/packaging/make-dist" "$next" "$exe" "$ctl" "$dll" "$tmp/work" "$tmp/dist" >/dev/null || fail "no $next release"
newer=$tmp/dist/cadrel-$next-win64-setup.exe
# Over the running program it must give up rather than replace files in use.
wine "$(win_path "$newer")" /S && fail "the upgrade ran over a running Cadrel"
[ "$(entry_value DisplayVersion)" = "$version" ] || fail "a refused upgrade changed the entry"
close_program
grep -q '^WindowPos=' "$drive"/users/*/AppData/Roaming/Tamber/User/Cadrel.key || fail "no window placement saved"
[ -f "$drive/ProgramData/Tamber/Modules/SatCD100.bin" ] || fail "no demo modules in ProgramData"
before=$(data_sums)
echo "$before" | grep -q 'sram.bin' || fail "no box state saved: $before"

wine "$(win_path "$newer")" /S || fail "silent upgrade: exit code $?"
[ "$(entry_value DisplayVersion)" = "$next" ] || fail "after the upgrade the entry says $(entry_value DisplayVersion)"
[ -f "$dir/cadrel.exe" ] && [ -f "$shortcut" ] || fail "the upgrade lost the program or its shortcut"
head -1 "$dir/README.txt" | grep -q "Cadrel $next" || fail "the upgrade left the old files: $(head -1 "$dir/README.txt")"
[ "$(on_path)" = 1 ] || fail "after the upgrade the PATH names the program folder $(on_path) times"
[ "$(data_sums)" = "$before" ] || fail "the upgrade changed the user's data"

# 4. Silent uninstall. The uninstaller works from a copy of itself and returns at once, so give
# that copy a moment to finish before judging.
wine 'C:\Program Files\Cadrel\uninstall.exe' /S || fail "silent uninstall: exit code $?"
for _ in $(seq 1 75); do [ -e "$dir" ] || [ -e "$shortcut" ] || break; sleep 0.2; done
[ -e "$dir" ] && fail "left behind: $(cd "$dir" && find . -type f)"
[ -e "$shortcut" ] && fail "the Start-menu shortcut is still there"
for _ in 1 2 3 4 5; do wine reg query "$key" >/dev/null 2>&1 || break; sleep 0.5; done
wine reg query "$key" >/dev/null 2>&1 && fail "the uninstall entry is still there"
[ "$(on_path)" = 0 ] || fail "the uninstall left the program folder on the PATH"
[ "$(data_sums)" = "$before" ] || fail "the uninstall changed or removed the user's data"

# 5. The portable zip, unpacked into a folder with a space in its name, runs the same way.
mkdir -p "$tmp/My Tools"
unzip -q "$dist/cadrel-$version-win64.zip" -d "$tmp/My Tools" || fail "cannot unpack the zip"
start_playing "$tmp/My Tools/cadrel-$version-win64/cadrel.exe" "$tmp/trace-portable.txt"
# Beside the running window, on the same box.
status=$(wine "$tmp/My Tools/cadrel-$version-win64/cadrelctl.exe" status 2>&1 | tr -d '\r') || fail "portable cadrelctl status: $status"
echo "$status" | grep -qx 'Mode:     Emulating' || fail "portable cadrelctl status says: $status"
close_program
echo "installed, played, upgraded to $next, uninstalled, ran portable: $((SECONDS - started)) s"
