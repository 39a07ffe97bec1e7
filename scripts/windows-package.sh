#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale
#
# Packs the runnable Windows folder of make windows-gui for users:
#
#   scripts/windows-package.sh installer FOLDER BUILD_DIR   -> BUILD_DIR/Vantoscope-<version>-x64-setup.exe
#   scripts/windows-package.sh zip FOLDER BUILD_DIR         -> BUILD_DIR/Vantoscope-<version>-x64-portable.zip
#
# The installer is made with Debian's NSIS (packaging/windows/vantoscope.nsi) as a 64-bit
# installer; it installs exactly the files of FOLDER and its uninstaller removes exactly those.
# The zip holds the folder itself, so it unpacks into a "Vantoscope" folder: a portable copy.
set -euo pipefail

fail() { echo "windows-package: $*" >&2; exit 1; }

kind="${1:-}"
folder="${2:-}"
build_dir="${3:-}"
[ -f "$folder/vantoscope.exe" ] || fail "no vantoscope.exe in '$folder' (make windows-gui)"
[ -f "$build_dir/CMakeCache.txt" ] || fail "no build folder '$build_dir'"
# VS_PACKAGE_VERSION and VS_PACKAGE_OUT stand in for the build's version and file name (the
# install test makes an "earlier version" with them); VS_NSIS_COMPRESSOR overrides lzma.
version="${VS_PACKAGE_VERSION:-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")}"
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "no four-part version in $build_dir"
folder="$(cd "$folder" && pwd)"
build_dir="$(cd "$build_dir" && pwd)"
here="$(cd "$(dirname "$0")/.." && pwd)"

case "$kind" in
installer)
  command -v makensis >/dev/null || fail "makensis is missing (scripts/install-deps.sh windows-gui)"
  icon="$build_dir/src/app/pictures/vantoscope.ico"
  [ -f "$icon" ] || fail "no program icon at $icon"
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  # One File line per file, its folder made first; the uninstaller's Delete lines for the same
  # files, then its folders deepest first (RMDir removes a folder only when empty).
  : >"$work/files.nsh"
  : >"$work/unfiles.nsh"
  (cd "$folder" && find . -type f | LC_ALL=C sort) | while IFS= read -r f; do
    rel="${f#./}"
    win="${rel//\//\\}"
    dir="$(dirname "$rel")"
    if [ "$dir" = "." ]; then
      echo "SetOutPath \"\$INSTDIR\"" >>"$work/files.nsh"
    else
      echo "SetOutPath \"\$INSTDIR\\${dir//\//\\}\"" >>"$work/files.nsh"
    fi
    echo "File \"$folder/$rel\"" >>"$work/files.nsh"
    echo "Delete \"\$INSTDIR\\$win\"" >>"$work/unfiles.nsh"
  done
  (cd "$folder" && find . -mindepth 1 -type d | LC_ALL=C sort -r) | while IFS= read -r d; do
    rel="${d#./}"
    echo "RMDir \"\$INSTDIR\\${rel//\//\\}\"" >>"$work/unfiles.nsh"
  done
  out="${VS_PACKAGE_OUT:-$build_dir/Vantoscope-$version-x64-setup.exe}"
  rm -f "$out"
  compressor=()
  [ -z "${VS_NSIS_COMPRESSOR:-}" ] || compressor=("-XSetCompressor /FINAL $VS_NSIS_COMPRESSOR")
  makensis -V2 -NOCD "${compressor[@]}" -DVERSION="$version" -DICON="$icon" -DFILES="$work/files.nsh" -DUNFILES="$work/unfiles.nsh" \
    -DOUTFILE="$out" "$here/packaging/windows/vantoscope.nsi"
  [ -f "$out" ] || fail "makensis made no installer"
  echo "windows-package: $out"
  ;;
zip)
  command -v zip >/dev/null || fail "zip is missing (scripts/install-deps.sh windows-gui)"
  out="$build_dir/Vantoscope-$version-x64-portable.zip"
  rm -f "$out"
  # The folder under its own name, whatever the build calls it; no time zone or owner fields.
  stage="$(mktemp -d)"
  trap 'rm -rf "$stage"' EXIT
  cp -r "$folder" "$stage/Vantoscope"
  (cd "$stage" && zip -q -r -9 -X "$out" Vantoscope)
  echo "windows-package: $out"
  ;;
*)
  fail "usage: windows-package.sh installer|zip FOLDER BUILD_DIR"
  ;;
esac
