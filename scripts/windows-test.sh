#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale
#
# Runs every cross-built Windows test program under Wine, one after the other, each bounded
# in time, and fails when any of them fails, hangs or cannot start.
#
#   scripts/windows-test.sh [BUILD_DIR]     (default build/cross-windows)
#
# The Wine prefix is private to the build folder (BUILD_DIR/wine-prefix), so nothing of the
# user's own ~/.wine is touched. A prefix left by an earlier run is reused; one that Wine cannot
# start is thrown away and made afresh. VS_WINE_TEST_TIMEOUT bounds each program (seconds,
# default 300); a program still running at its bound is killed and counted as failed.
#
# For the Qt test programs of the windows-gui build:
#   VS_WINE_TEST_FILTER  runs only the tests whose names match this ctest -R expression
#   VS_WINE_DISPLAY=1    gives the programs a private Xvfb display for Wine's X11 driver
set -uo pipefail

build_dir="${1:-build/cross-windows}"
bound="${VS_WINE_TEST_TIMEOUT:-300}"
build_dir="$(cd "$build_dir" && pwd)" || { echo "windows-test: no build folder $1" >&2; exit 2; }

for tool in wine wineserver wineboot winepath openssl timeout ctest; do
  command -v "$tool" >/dev/null || { echo "windows-test: $tool is missing (make deps)" >&2; exit 2; }
done

export WINEPREFIX="$build_dir/wine-prefix"
export WINEDEBUG=-all
# No Mono or Gecko download dialogs: the tests need neither .NET nor the HTML engine.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine's display driver is not needed; without a display it stays quiet.
unset DISPLAY WAYLAND_DISPLAY
xvfb_pid=""
stop_wine() { timeout 30 wineserver -k >/dev/null 2>&1 || true; }
stop_server() {
  stop_wine
  if [ -n "${xvfb_pid:-}" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
# Whatever way the run ends, nothing of it stays up: the display, the Wine server.
trap stop_server EXIT
if [ -n "${VS_WINE_DISPLAY:-}" ]; then
  command -v Xvfb >/dev/null || { echo "windows-test: Xvfb is missing (make deps)" >&2; exit 2; }
  # A display of our own: Xvfb picks a free number and writes it to the descriptor given.
  display_file=$(mktemp)
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$display_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -s "$display_file" ] && break; sleep 0.2; done
  [ -s "$display_file" ] || { echo "windows-test: Xvfb did not start" >&2; kill "$xvfb_pid"; exit 1; }
  export DISPLAY=":$(head -n 1 "$display_file")"
  rm -f "$display_file"
fi

log_dir="$build_dir/wine-test-logs"
rm -rf "$log_dir"
mkdir -p "$log_dir"

# The update check's tests need certificates made by the openssl tool, which Wine cannot run
# for them: made here, fresh for each run, and named to the tests.
certs="$build_dir/test-certificates"
rm -rf "$certs"
if ! bash "$(dirname "$0")/../tests/qt/make_test_certificates.sh" "$certs" >"$log_dir/certificates.log" 2>&1; then
  echo "windows-test: the test certificates could not be made:" >&2
  tail -5 "$log_dir/certificates.log" >&2
  exit 1
fi


# A prefix is usable when Wine runs a program in it. Its server then stays up for the whole run,
# so each program starts in a fraction of a second instead of booting Wine again.
prefix_works() {
  [ -f "$WINEPREFIX/system.reg" ] || return 1
  # Fails harmlessly when a server of this prefix is still up from an earlier run.
  timeout 30 wineserver -p 120 >/dev/null 2>&1 || true
  [ "$(timeout 60 wine cmd.exe /c echo vs-wine-ok 2>/dev/null | tr -d '\r')" = "vs-wine-ok" ]
}

# Creates the prefix; the registry files are written once its first server has ended.
make_prefix() {
  stop_wine  # not the display: the tests still need it
  rm -rf "$WINEPREFIX"
  timeout 180 wineboot -i >"$log_dir/wineboot.log" 2>&1
  timeout 60 wineserver -w >/dev/null 2>&1
}

start=$(date +%s)
state="reused"
if [ -e "$WINEPREFIX" ] && [ ! -O "$WINEPREFIX" ]; then
  state="rebuilt (owned by another user)"  # Wine refuses such a prefix
  make_prefix
elif [ ! -d "$WINEPREFIX" ]; then
  state="new"
  make_prefix
fi
if ! prefix_works; then
  [ "$state" = "reused" ] && state="rebuilt (the old one did not start)"
  make_prefix
  if ! prefix_works; then
    echo "windows-test: Wine cannot run a program in $WINEPREFIX:" >&2
    tail -20 "$log_dir/wineboot.log" >&2
    stop_server
    exit 1
  fi
fi
echo "windows-test: Wine prefix $state ($(($(date +%s) - start)) s): $WINEPREFIX"
VS_TEST_CERTIFICATES="$(winepath -w "$certs" 2>/dev/null)"
export VS_TEST_CERTIFICATES

# The test programs CMake knows, in its order; a stale .exe of a removed test is not run.
filter=()
[ -n "${VS_WINE_TEST_FILTER:-}" ] && filter=(-R "$VS_WINE_TEST_FILTER")
mapfile -t names < <(ctest --test-dir "$build_dir" -N "${filter[@]}" 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: \(.*\)$/\1/p')

if [ ${#names[@]} -eq 0 ]; then
  echo "windows-test: ctest lists no test in $build_dir" >&2
  exit 1
fi

programs=0
tests=0
failed=()
for name in "${names[@]}"; do
  exe="$(find "$build_dir" -path "$WINEPREFIX" -prune -o -name "$name.exe" -type f -print -quit)"
  programs=$((programs + 1))
  out="$log_dir/$name.log"
  if [ -z "$exe" ]; then
    echo "MISSING  $name"
    failed+=("$name (not built)")
    continue
  fi
  t0=$(date +%s)
  # The program runs in its own folder, as ctest runs it; -k ends one that ignores the TERM.
  (cd "$(dirname "$exe")" && timeout -k 10 "$bound" wine "$exe" --gtest_color=no) >"$out" 2>&1
  rc=$?
  secs=$(($(date +%s) - t0))
  ran=$(sed -n 's/^\[==========\] \([0-9]*\) tests\{0,1\} from .* ran\..*/\1/p' "$out" | tail -1)
  if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
    echo "HANG     $name (killed after $bound s)"
    failed+=("$name (did not finish in $bound s)")
  elif [ "$rc" -ne 0 ] || [ -z "$ran" ]; then
    echo "FAIL     $name (exit $rc, ${secs} s)"
    grep -E '^\[  FAILED  \]|Failure$|^.*: error:' "$out" | head -20 | sed 's/^/         /'
    failed+=("$name (exit $rc)")
  else
    skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\{0,1\}, listed below:.*/\1/p' "$out" | tail -1)
    echo "ok       $name: $ran tests${skipped:+, $skipped of them skipped} (${secs} s)"
  fi
  tests=$((tests + ${ran:-0}))
done

# What the reader-against-the-system comparison covered, for the record of the run.
grep -h '^compared [0-9]* PE files' "$log_dir"/*.log 2>/dev/null | sed 's/^/windows-test: version reader vs system: /'
echo "windows-test: $programs test programs, $tests tests under $(wine --version 2>/dev/null)" \
  "in $(($(date +%s) - start)) s; logs in $log_dir"
if [ ${#failed[@]} -ne 0 ]; then
  printf 'windows-test: FAILED: %s\n' "${failed[@]}" >&2
  exit 1
fi
