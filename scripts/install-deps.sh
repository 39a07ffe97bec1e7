#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale
#
# Installs the Debian packages a set of targets needs; does nothing when they are all there.
#   install-deps.sh [SET...]   (no set: native)
#     native       the native build, its tests, benchmarks and package (make run, make test)
#     cross        the Windows cross-builds and Wine to run their tests (make cross-check ...)
#     fuzz         clang and its runtime for the libFuzzer harnesses (make fuzz)
#     windows-gui  cross, and what building Qt for Windows from Debian's source needs
#     all          every set (CI)
set -euo pipefail

native_packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev libgl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  iproute2 xvfb xauth
  openssl desktop-file-utils dpkg-dev
  # The Debian package: its manual page from --help, and the checks of make package.
  help2man lintian appstream
)
cross_packages=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64)
fuzz_packages=(clang libclang-rt-14-dev)

sets=("$@")
[ ${#sets[@]} -gt 0 ] || sets=(native)
want_gui=0
packages=()
for set in "${sets[@]}"; do
  case "$set" in
    native) packages+=("${native_packages[@]}") ;;
    cross) packages+=("${native_packages[@]}" "${cross_packages[@]}") ;;
    fuzz) packages+=("${native_packages[@]}" "${fuzz_packages[@]}") ;;
    windows-gui) packages+=("${native_packages[@]}" "${cross_packages[@]}"); want_gui=1 ;;
    all) packages+=("${native_packages[@]}" "${cross_packages[@]}" "${fuzz_packages[@]}"); want_gui=1 ;;
    *) echo "install-deps: unknown set '$set' (native, cross, fuzz, windows-gui, all)" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  case " ${missing[*]} " in *" $p "*) continue ;; esac
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The windows-gui set: what building Qt for Windows from Debian's source and running the result
# needs: the posix-thread mingw compilers, the host's Qt tools, Wine's fonts,
# and a deb-src entry for the same Debian archive the machine already uses (added only when
# there is none).
if [ "$want_gui" = 1 ]; then
  gui_packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix qt6-base-dev-tools dpkg-dev
                fonts-wine
                # The Windows installer and the portable zip of that build (make windows-installer,
                # windows-zip), and the host listener of their install test.
                nsis zip unzip python3-minimal)
  gui_missing=()
  for p in "${gui_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || gui_missing+=("$p")
  done
  if ! grep -Eqs '^(deb-src |Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      sed -n 's/^Types:.*$/Types: deb-src/;p' /etc/apt/sources.list.d/debian.sources \
        | $SUDO tee /etc/apt/sources.list.d/vantoscope-deb-src.sources >/dev/null
    else
      grep -Eh '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
        | $SUDO tee /etc/apt/sources.list.d/vantoscope-deb-src.list >/dev/null
    fi
    $SUDO apt-get update -qq
  elif [ ${#gui_missing[@]} -gt 0 ]; then
    $SUDO apt-get update -qq
  fi
  if [ ${#gui_missing[@]} -gt 0 ]; then
    echo "Installing: ${gui_missing[*]}"
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${gui_missing[@]}"
  fi
fi
