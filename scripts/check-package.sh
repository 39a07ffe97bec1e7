#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale
#
# Checks an install of the program: a Debian package (unpacked into a scratch root) or a
# build folder (installed into one with cmake --install). The files must be where the
# desktop and the registry look for them, the desktop entry and the AppStream metadata must
# validate, the uninstall entry must parse, the icons must be PNGs of their sizes, and the
# installed program must still carry its version; a package must also pass lintian without
# errors.
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
  depends="$(dpkg-deb -f "$deb" Depends)"
  grep -q 'libqt6widgets6' <<<"$depends" || fail "no Qt dependency recorded"
  # libqt6gui6 only recommends the platform plugins; without them the window cannot start.
  grep -q 'qt6-qpa-plugins' <<<"$depends" || fail "no dependency on the Qt platform plugins"
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
entry="$root/usr/share/ombrevale/registry.d/vantoscope.reg"
metainfo="$root/usr/share/metainfo/com.ombrevale.vantoscope.metainfo.xml"
doc="$root/usr/share/doc/vantoscope"
man="$root/usr/share/man/man1/vantoscope.1.gz"
for f in "$exe" "$desktop" "$icon" "$entry" "$metainfo" "$doc/copyright" "$doc/changelog.gz" "$doc/README.md.gz" "$man"; do
  [ -f "$f" ] || fail "missing ${f#"$root"}"
done
[ ! -e "$root/etc" ] || fail "the package puts files in /etc"
for size in 16 22 24 32 48 64 128 256; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/vantoscope.png"
  [ -f "$png" ] || fail "missing ${png#"$root"}"
  # A PNG's width and height are the big-endian words at bytes 16 and 20.
  [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "${png#"$root"} is no PNG"
  [ "$(od -An -tu4 --endian=big -j16 -N8 "$png" | xargs)" = "$size $size" ] || fail "${png#"$root"} is not ${size}x${size}"
done
appstreamcli validate --no-net --pedantic "$metainfo" >/dev/null || { appstreamcli validate --no-net "$metainfo"; fail "the AppStream metadata does not validate"; }
grep -q "<release version=\"$version\"" "$metainfo" || fail "the AppStream metadata names another release"
# The manual page is the program's own --help.
zcat "$man" | grep -q -- 'identify' || fail "the manual page lacks the options"
zcat "$doc/changelog.gz" | head -1 | grep -q "^vantoscope ($version)" || fail "the changelog's first entry is not version $version"
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
"$exe" --version | grep -qx "Vantoscope $version" || fail "--version does not say $version"

# Debian's own checks of the package: no errors (the warnings kept are listed in the README).
if [ -n "${deb:-}" ]; then
  lintian_out="$(lintian --tag-display-limit 0 "$deb" 2>/dev/null || true)"
  [ -z "$lintian_out" ] || echo "$lintian_out"
  ! grep -q '^E:' <<<"$lintian_out" || fail "lintian reports errors"
fi
echo "check-package: ${1:-} ${2:-} is complete (version $version)"
