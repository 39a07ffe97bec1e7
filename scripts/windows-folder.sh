#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale
#
# Gathers the Windows build of the program into a folder a Windows user can run it from:
# vantoscope.exe, the Qt libraries it imports, the platform, TLS and style plugins Qt loads
# at run time, and the mingw runtime. Every DLL that a gathered file imports is looked up in
# Qt's bin folder and the mingw runtime folders and copied too, until nothing is missing; a
# DLL found nowhere must be one of Windows' own, and is listed.
#
#   scripts/windows-folder.sh BUILD_DIR QT_PREFIX OUT_DIR
set -euo pipefail

build_dir=$1
qt=$2
out=$3

objdump=x86_64-w64-mingw32-objdump
gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
search=("$qt/bin" "$gcc_dir" /usr/x86_64-w64-mingw32/lib /usr/x86_64-w64-mingw32/bin)

rm -rf "$out"
mkdir -p "$out/platforms" "$out/styles" "$out/tls"
cp "$build_dir/vantoscope.exe" "$out/"
cp "$qt/plugins/platforms/qwindows.dll" "$out/platforms/"
cp "$qt/plugins/styles/"*.dll "$out/styles/"
cp "$qt/plugins/tls/"*.dll "$out/tls/"
# Tells Qt its plugins are beside the program (Qt looks there anyway; this also stops it
# looking in the build machine's install folder).
printf '[Paths]\nPrefix = .\nPlugins = .\n' > "$out/qt.conf"

imports() { "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r'; }

declare -A seen=()
system=()
queue=("$out/vantoscope.exe" "$out"/platforms/*.dll "$out"/styles/*.dll "$out"/tls/*.dll)
while [ ${#queue[@]} -gt 0 ]; do
  file=${queue[0]}
  queue=("${queue[@]:1}")
  while read -r dll; do
    [ -n "$dll" ] || continue
    key=${dll,,}
    [ -z "${seen[$key]:-}" ] || continue
    seen[$key]=1
    found=""
    for d in "${search[@]}"; do
      match=$(find "$d" -maxdepth 1 -iname "$dll" -print -quit 2>/dev/null || true)
      if [ -n "$match" ]; then found=$match; break; fi
    done
    if [ -n "$found" ]; then
      cp "$found" "$out/"
      queue+=("$out/$(basename "$found")")
    else
      system+=("$dll")
    fi
  done < <(imports "$file")
done

# Only release builds of the libraries are shipped; stripped, they are half the size.
x86_64-w64-mingw32-strip --strip-unneeded "$out"/*.dll "$out"/*/*.dll "$out/vantoscope.exe" 2>/dev/null || true

echo "windows-folder: $out ($(du -sh "$out" | cut -f1)): $(cd "$out" && find . -type f | sort | tr '\n' ' ')"
echo "windows-folder: from Windows itself: $(printf '%s\n' "${system[@]}" | sort -f | tr '\n' ' ')"
