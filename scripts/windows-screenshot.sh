#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale
#
# Runs the Windows build of the program under Wine (set to Windows 10) in a Wine desktop on a
# private Xvfb display, with a few live connections of this machine, and saves what it shows:
#   DOCS/screenshot-windows.png   vantoscope.exe's main window
#   DOCS/about-windows.png        the About window, drawn by the Windows build under Wine
# Then closes the window as a user would and checks that the program ends by itself.
#
#   scripts/windows-screenshot.sh FOLDER DOCS     FOLDER: the runnable folder of make windows-gui
set -uo pipefail

folder=$(cd "$1" && pwd) || exit 2
docs=$2
build_dir=$(dirname "$folder")
here=$(cd "$(dirname "$0")/.." && pwd)
grab="$here/build/release/grab_screen"
width=1024
height=768

for tool in wine wineserver wineboot winepath Xvfb python3 timeout; do
  command -v "$tool" >/dev/null || { echo "windows-screenshot: $tool is missing (make deps)" >&2; exit 2; }
done
[ -x "$grab" ] || { echo "windows-screenshot: $grab is missing (cmake --build --preset release --target grab_screen)" >&2; exit 2; }

export WINEPREFIX="$build_dir/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
run=$(mktemp -d)
pids=()
cleanup() {
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$run"
}
trap cleanup EXIT

# A display of our own: Xvfb picks a free number and writes it to the descriptor given.
Xvfb -displayfd 5 -screen 0 "${width}x${height}x24" -nolisten tcp 5>"$run/display" >"$run/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$run/display" ] && break; sleep 0.2; done
[ -s "$run/display" ] || { echo "windows-screenshot: Xvfb did not start" >&2; cat "$run/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$run/display")"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  rm -rf "$WINEPREFIX"
  timeout 300 wineboot -i >"$run/wineboot.log" 2>&1 || { echo "windows-screenshot: wineboot failed" >&2; tail "$run/wineboot.log" >&2; exit 1; }
fi
timeout 60 wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
timeout 60 wineserver -w

# The build's helpers run beside the runnable folder's DLLs and plugins.
cp -r "$folder"/*.dll "$folder/platforms" "$folder/styles" "$folder/tls" "$folder/qt.conf" "$build_dir/"

# Live connections of another program: Wine reports owners only for its own processes, so
# the connections come from a Windows helper (vantoscope_peers.exe) in the same prefix.
wine "$build_dir/vantoscope_peers.exe" 120 >"$run/peers.log" 2>&1 &
pids+=($!)
sleep 3

# The list as the picture shows it: State and Local Port shown, sorted by Remote Port, wide
# enough for them. The runnable folder is a portable copy, so settings.ini carries it (and
# the program writes it back at close).
printf '%s\r\n' '[Settings]' \
  'Columns=pid:60,protocol:60,process:170,remote_address:110,remote_port:120,state:100,local_port:146' \
  'SortColumn=remote_port' '[Settings_DWORD]' 'SortDescending=0' 'HighlightChanges=1' \
  'WindowLeft=40' 'WindowTop=30' 'WindowWidth=780' 'WindowHeight=580' >"$folder/settings.ini"

exe=$(winepath -w "$folder/vantoscope.exe")
wine explorer "/desktop=Vantoscope,${width}x${height}" "$exe" >"$run/wine.log" 2>&1 &
desktop=$!
pids+=($desktop)
# Wine's first start of a program in a prefix takes a while; the window refreshes every second.
sleep "${VS_SCREENSHOT_WAIT:-20}"
mkdir -p "$docs"
code=0
# The Wine desktop's taskbar (40 rows at the bottom) is left out.
if "$grab" "$docs/screenshot-windows.png" 40; then
  echo "windows-screenshot: $docs/screenshot-windows.png"
else
  code=1
fi

# Closing the window (WM_CLOSE, as its close button sends) must end the program; taskkill
# runs in the same Wine desktop, where it finds the window.
timeout 30 wine explorer "/desktop=Vantoscope,${width}x${height}" taskkill /im vantoscope.exe >/dev/null 2>&1
# This run's program is the process whose command line is its Windows path.
running() { pgrep -f -- "$(printf '%s' "$exe" | sed 's/[][\\.^$*]/\\&/g')" >/dev/null; }
ended=no
for _ in $(seq 40); do
  if ! running; then ended=yes; break; fi
  sleep 0.5
done
if [ "$ended" = yes ]; then
  echo "windows-screenshot: vantoscope.exe ended when its window was closed"
else
  echo "windows-screenshot: vantoscope.exe was still running after its window was closed" >&2
  code=1
fi

# The About window, drawn by the Windows build's own screenshot tool.
about="$build_dir/vantoscope_about_screenshot.exe"
if [ -f "$about" ]; then
  if timeout 120 wine "$about" "$(winepath -w "$docs/about-windows.png")" >"$run/about.log" 2>&1; then
    echo "windows-screenshot: $docs/about-windows.png"
  else
    echo "windows-screenshot: the About window could not be drawn:" >&2
    tail -5 "$run/about.log" >&2
    code=1
  fi
fi
exit $code
