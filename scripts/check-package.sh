#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale
#
# Checks an install of the program: a Debian package (unpacked into a scratch root) or a
# build folder (installed into one with cmake --install). The files must be where the
# desktop and the registry look for them, the desktop entry must validate, the uninstall
# entry must parse, and the installed program must still carry its version.
#
#   scripts/check-package.sh build/release/vantoscope_1.2.3.4_amd64.deb
#   scripts/check-package.sh --build-dir build/release
set -euo pipefail

fail() { echo "check-package: $*" >&2; exit 1; }

root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT

if [ "${1:-}" = "--build-dir" ]; then
  [ -d "${2:-}" ] || fail "no build folder given"
  DESTDIR="$root" cmake --install "$2" --prefix /usr >/dev/null
  version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$2/CMakeCache.txt")"
else
  deb="${1:-}"
  [ -f "$deb" ] || fail "no package given"
  dpkg-deb -x "$deb" "$root"
  version="$(dpkg-deb -f "$deb" Version)"
  [ "$(dpkg-deb -f "$deb" Package)" = "vantoscope" ] || fail "package name"
  dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "no Qt dependency recorded"
  # Removing the package must remove the uninstall entry: it is no conffile.
  if dpkg-deb -e "$deb" "$root/DEBIAN" && [ -f "$root/DEBIAN/conffiles" ]; then
    ! grep -q registry.d "$root/DEBIAN/conffiles" || fail "the uninstall entry is a conffile"
  fi
  for script in preinst postinst prerm postrm; do
    [ ! -e "$root/DEBIAN/$script" ] || fail "maintainer script $script"
  done
fi
[ -n "$version" ] || fail "no version"

exe="$root/usr/bin/vantoscope"
desktop="$root/usr/share/applications/vantoscope.desktop"
icon="$root/usr/share/icons/hicolor/scalable/apps/vantoscope.svg"
entry="$root/etc/ombrevale/registry.d/vantoscope.reg"
for f in "$exe" "$desktop" "$icon" "$entry"; do
  [ -f "$f" ] || fail "missing ${f#"$root"}"
done
[ -x "$exe" ] || fail "the program is not executable"
desktop-file-validate "$desktop" || fail "desktop entry does not validate"
grep -q '^Exec=vantoscope$' "$desktop" || fail "desktop entry does not start vantoscope"
grep -q '^Icon=vantoscope$' "$desktop" || fail "desktop entry names another icon"

head -c 8 "$entry" | grep -q '^REGEDIT4' || fail "uninstall entry is not a REGEDIT4 file"
grep -q "\"DisplayName\"=\"Ombrevale Vantoscope $version\"" "$entry" || fail "uninstall entry's display name"
grep -q '"Publisher"="Ombrevale"' "$entry" || fail "uninstall entry's publisher"
grep -q '"InstallLocation"="/usr/bin"' "$entry" || fail "uninstall entry's install location"

# The installed program still carries its version resource (stripping keeps the section).
"$exe" --identify --verbose --format csv "$exe" | grep -q ",$version," || fail "the installed program lost its version"
echo "check-package: ${1:-} ${2:-} is complete (version $version)"
