#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale
#
# Installs every Debian package that the build, the tests, the benchmarks and the
# Windows cross-builds and their runs under Wine need. Does nothing when they are all there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev libgl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64
  clang libclang-rt-14-dev
  iproute2 xvfb xauth
  openssl desktop-file-utils dpkg-dev
  # The Debian package: its manual page from --help, and the checks of make package.
  help2man lintian appstream
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# `install-deps.sh windows-gui`: what building Qt for Windows from Debian's source and running
# the result needs: the posix-thread mingw compilers, the host's Qt tools, Wine's fonts,
# and a deb-src entry for the same Debian archive the machine already uses (added only when
# there is none).
if [ "${1:-}" = "windows-gui" ]; then
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
