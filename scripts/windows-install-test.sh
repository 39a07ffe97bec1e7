#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale
#
# The Windows installer and the portable zip under Wine, in a fresh prefix of their own:
#
#   scripts/windows-install-test.sh BUILD_DIR FOLDER   (make windows-installer windows-zip first)
#
# 1. an "earlier version" (made here from the same folder, with one file more) is installed
#    silently, then the real installer over it: one uninstall entry, the earlier file gone;
# 2. the entry's values in the 64-bit view, the files and the Start menu shortcut;
# 3. the installed vantoscope.exe --list --all from its folder lists a listener of this host;
# 4. the installed copy counts as installed, a copy unpacked from the zip as portable
#    (--portable-status, the program's own test);
# 5. a running copy stops a silent install and uninstall until it is closed;
# 6. a silent uninstall leaves no file, shortcut or entry, and keeps the user's settings.
set -uo pipefail

fail() { echo "windows-install-test: FAIL: $*" >&2; exit 1; }
ok() { echo "windows-install-test: ok: $*"; }

build_dir="$(cd "${1:-build/windows-gui}" && pwd)" || fail "no build folder"
folder="$(cd "${2:-$build_dir/Vantoscope}" && pwd)" || fail "no runnable folder"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")"
setup="$build_dir/Vantoscope-$version-x64-setup.exe"
zipfile="$build_dir/Vantoscope-$version-x64-portable.zip"
[ -f "$setup" ] || fail "no $setup (make windows-installer)"
[ -f "$zipfile" ] || fail "no $zipfile (make windows-zip)"
for tool in wine wineserver wineboot unzip python3 timeout; do
  command -v "$tool" >/dev/null || fail "$tool is missing (make deps)"
done

work="$build_dir/wine-install-test"
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX="$work/prefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
listener_pid=""
xvfb_pid=""
cleanup() {
  [ -z "$listener_pid" ] || kill "$listener_pid" 2>/dev/null
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null
  timeout 30 wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT

t0=$(date +%s)
timeout 180 wineboot -i >"$work/wineboot.log" 2>&1 || fail "wineboot (see $work/wineboot.log)"
timeout 60 wineserver -w
ok "fresh prefix ($(($(date +%s) - t0)) s)"

# Runs a Windows program and waits until every process of the prefix has ended (an
# uninstaller hands over to a copy of itself in the temporary folder and returns at once).
run() {
  timeout -k 10 300 wine "$@"
  local rc=$?
  timeout 120 wineserver -w
  return $rc
}
uninst_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
# One value of the entry, as reg.exe of the 64-bit prefix (the 64-bit view) shows it.
value() {
  timeout 60 wine reg query "$uninst_key\\Vantoscope" /v "$1" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}
entries() {
  timeout 60 wine reg query "$uninst_key" /s 2>/dev/null | tr -d '\r' | grep -c 'DisplayName *REG_SZ *Ombrevale Vantoscope'
}

program_files="$WINEPREFIX/drive_c/Program Files/Vantoscope"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Vantoscope.lnk"

# 1. The earlier version, then this one over it.
older="$work/older"
cp -r "$folder" "$older"
echo "a file only the earlier version had" >"$older/old-only.txt"
VS_PACKAGE_VERSION=0.0.0.1 VS_PACKAGE_OUT="$work/older-setup.exe" VS_NSIS_COMPRESSOR=zlib \
  bash "$(dirname "$0")/windows-package.sh" installer "$older" "$build_dir" >/dev/null || fail "the earlier version's installer"
run "$work/older-setup.exe" /S || fail "silent install of the earlier version (exit $?)"
[ "$(value DisplayName)" = "Ombrevale Vantoscope 0.0.0.1" ] || fail "the earlier version's entry: '$(value DisplayName)'"
[ -f "$program_files/old-only.txt" ] || fail "the earlier version's files"
# The user's settings, which no uninstall may take.
timeout 60 wine reg add 'HKCU\Software\Ombrevale\Vantoscope' /v Language /d de /f >/dev/null 2>&1
run "$setup" /S || fail "silent install over the earlier version (exit $?)"
[ "$(entries)" = "1" ] || fail "$(entries) uninstall entries after installing over the earlier version"
[ ! -e "$program_files/old-only.txt" ] || fail "the earlier version's file stayed"
ok "installed over the earlier version: one entry, its files replaced"

# 2. The entry and the files.
check_value() {
  local got
  got="$(value "$1")"
  [ "$got" = "$2" ] || fail "entry value $1 is '$got', not '$2'"
}
check_value DisplayName "Ombrevale Vantoscope $version"
check_value DisplayVersion "$version"
check_value Publisher "Ombrevale"
check_value InstallLocation 'C:\Program Files\Vantoscope'
check_value DisplayIcon 'C:\Program Files\Vantoscope\vantoscope.exe,0'
check_value UninstallString '"C:\Program Files\Vantoscope\uninstall.exe"'
check_value QuietUninstallString '"C:\Program Files\Vantoscope\uninstall.exe" /S'
check_value NoModify 0x1
check_value NoRepair 0x1
size=$(($(value EstimatedSize)))
[ "$size" -gt 1000 ] || fail "EstimatedSize $size KiB"
(cd "$folder" && find . -type f) | while IFS= read -r f; do
  cmp -s "$folder/$f" "$program_files/$f" || fail "installed ${f#./} differs from the build's"
done || exit 1
[ -f "$program_files/uninstall.exe" ] || fail "no uninstaller"
[ -f "$shortcut" ] || fail "no Start menu shortcut"
ok "entry values, files and shortcut ($size KiB)"

# 3. The installed program lists a listener of this host, run from its folder.
port_file="$work/port"
python3 -c '
import socket, sys, time
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(1)
open(sys.argv[1], "w").write(str(s.getsockname()[1])); time.sleep(600)' "$port_file" &
listener_pid=$!
for _ in $(seq 50); do [ -s "$port_file" ] && break; sleep 0.1; done
port="$(cat "$port_file")"
(cd "$program_files" && timeout -k 10 120 wine ./vantoscope.exe --list --all --format csv) >"$work/list.csv" 2>"$work/list.err"
grep -q ",LISTENING,127\.0\.0\.1,$port," "$work/list.csv" || { head -5 "$work/list.csv" "$work/list.err"; fail "the installed program does not list the listener on port $port"; }
ok "installed vantoscope.exe --list --all lists the host's listener on port $port"

# 4. Installed here, portable when unpacked from the zip.
status="$(cd "$program_files" && timeout 120 wine ./vantoscope.exe --portable-status 2>/dev/null | tr -d '\r')"
[ "$status" = "Portable : No" ] || fail "the installed copy says '$status'"
portable="$WINEPREFIX/drive_c/users/Public/portable"
mkdir -p "$portable"
unzip -q "$zipfile" -d "$portable"
status="$(cd "$portable/Vantoscope" && timeout 120 wine ./vantoscope.exe --portable-status 2>/dev/null | tr -d '\r')"
[ "$status" = "Portable : Yes" ] || fail "the copy from the zip says '$status'"
ok "the installed copy is installed, the zip's copy portable"

# 5. A running copy holds its files: a silent install over it stops and changes nothing, as
#    does a silent uninstall; closed, the copy lets them go.
if command -v Xvfb >/dev/null; then
  display_file="$work/display"
  Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$display_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -s "$display_file" ] && break; sleep 0.2; done
  [ -s "$display_file" ] || fail "Xvfb did not start"
  (cd "$program_files" && DISPLAY=":$(head -n 1 "$display_file")" timeout -k 10 300 wine ./vantoscope.exe >/dev/null 2>&1) &
  running=""
  for _ in $(seq 60); do
    # Its start-up records the program's path under the maker's key.
    if timeout 30 wine reg query 'HKCU\Software\Ombrevale' /v Vantoscope 2>/dev/null | tr -d '\r' |
      grep -qi 'Program Files\\Vantoscope\\vantoscope.exe'; then running=1; break; fi
    sleep 1
  done
  [ -n "$running" ] || fail "the installed program did not start with a display"
  sleep 3  # its window up
  timeout -k 10 120 wine "$setup" /S
  rc=$?
  [ "$rc" -ne 0 ] || fail "a silent install over a running copy went ahead"
  timeout -k 10 60 wine "$program_files/uninstall.exe" /S
  sleep 5
  [ "$(entries)" = "1" ] && [ -f "$program_files/vantoscope.exe" ] || fail "a silent uninstall removed a running copy"
  # Ended outright: what is tested is the installer, not how the program closes.
  timeout 30 wine taskkill /f /im vantoscope.exe >/dev/null 2>&1
  timeout 120 wineserver -w
  kill "$xvfb_pid" 2>/dev/null
  ok "a running copy stops the installer (exit $rc) and the uninstaller until it is closed"
else
  echo "windows-install-test: skipped the running-copy check: no Xvfb"
fi

# 6. A silent uninstall.
run "$program_files/uninstall.exe" /S || fail "silent uninstall (exit $?)"
[ ! -e "$program_files" ] || { find "$program_files" | head; fail "files left in Program Files"; }
[ ! -e "$shortcut" ] || fail "the shortcut stayed"
[ "$(entries)" = "0" ] || fail "the uninstall entry stayed"
timeout 60 wine reg query 'HKCU\Software\Ombrevale\Vantoscope' /v Language >/dev/null 2>&1 || fail "the user's settings went"
ok "silent uninstall: no file, shortcut or entry left; the user's settings kept"
echo "windows-install-test: all passed ($(($(date +%s) - t0)) s)"
