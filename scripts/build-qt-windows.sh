#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale
#
# Builds Qt for 64-bit Windows (Core, Gui, Widgets, Network and the Windows platform, TLS and
# style plugins) from Debian's own source of the host's Qt, once, into a cache outside
# the repository. The cache is reused while the Qt version and the options below match; a
# half-built or damaged one is rebuilt, never used. Prints the install prefix on its last line.
set -euo pipefail

# All in one block, so that bash has read the whole script before the long build starts.
{
# Progress goes to stderr; stdout carries the prefix only.
exec 3>&1 1>&2

here=$(cd "$(dirname "$0")/.." && pwd)
toolchain="$here/cmake/mingw-w64-x86_64.cmake"
jobs=${JOBS:-2}

# Host tools (moc, rcc, uic) must be the same Qt version as the libraries built here.
deb_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools 2>/dev/null || true)
if [ -z "$deb_version" ]; then
  echo "build-qt-windows: qt6-base-dev-tools is not installed (run scripts/install-deps.sh windows-gui)" >&2
  exit 1
fi
qt_version=${deb_version%%+*}
qt_version=${qt_version#*:}

cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/vantoscope
prefix="$cache_root/qt-$qt_version-mingw64"
work="$cache_root/qt-$qt_version-mingw64.work"
stamp="$prefix/vantoscope-qt.stamp"

options=(
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=ON
  -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
  -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_sql=OFF
  # No OpenGL at all: switching off only the feature leaves dynamic OpenGL half on in the
  # Windows platform plugin.
  -DINPUT_opengl=no
  -DFEATURE_opengl=OFF
  -DFEATURE_opengl_dynamic=OFF
  -DFEATURE_dynamicgl=OFF
  -DFEATURE_dbus=OFF
  -DFEATURE_printsupport=OFF
  -DFEATURE_xml=OFF
  -DFEATURE_concurrent=OFF
  -DFEATURE_vulkan=OFF
  -DFEATURE_openssl=OFF
  -DFEATURE_schannel=ON
  # Debian's repacked source has no wintab.h.
  -DFEATURE_tabletevent=OFF
  # What the program does not use, left out to keep the build short: Qt's own test library
  # (our tests use GoogleTest), FreeType and HarfBuzz (Windows draws text with GDI and
  # DirectWrite), and image formats other than PNG.
  -DFEATURE_testlib=OFF
  -DFEATURE_freetype=OFF
  -DFEATURE_harfbuzz=OFF
  -DFEATURE_jpeg=OFF
  -DFEATURE_gif=OFF
  -DFEATURE_ico=OFF
  -DFEATURE_textmarkdownreader=OFF
  -DFEATURE_textmarkdownwriter=OFF
  -DFEATURE_textodfwriter=OFF
  -DFEATURE_pdf=OFF
)

# Everything that decides what gets built: a change to any of it rebuilds the cache.
describe() {
  echo "qt6-base $deb_version"
  printf '%s\n' "${options[@]}"
  sha256sum "$toolchain" | sed "s|$here/||"
  x86_64-w64-mingw32-g++-posix --version | head -n 1
}
wanted=$(describe)

# A prebuilt prefix (made by this script on another machine) saves the long build: unpacked into
# an empty cache, it is then judged by the stamp check below exactly like one built here.
find_archive() {
  local dir
  for dir in "${VS_QT_WINDOWS_ARCHIVE_DIR:-}" "$here/../shared/qt-windows" /work/shared/qt-windows; do
    [ -n "$dir" ] && [ -f "$dir/qt-$qt_version-mingw64.tar.xz" ] && { echo "$dir"; return 0; }
  done
  return 1
}
if [ ! -e "$prefix" ] && archive_dir=$(find_archive); then
  if (cd "$archive_dir" && sha256sum --quiet -c SHA256SUMS >/dev/null 2>&1); then
    echo "Qt for Windows: unpacking $archive_dir/qt-$qt_version-mingw64.tar.xz"
    mkdir -p "$cache_root"
    unpack="$cache_root/.unpack.$$"
    rm -rf "$unpack" && mkdir -p "$unpack"
    if tar -xJf "$archive_dir/qt-$qt_version-mingw64.tar.xz" -C "$unpack" \
       && [ -d "$unpack/qt-$qt_version-mingw64" ]; then
      # -T: another run that unpacked first keeps its copy; this one is dropped.
      mv -T "$unpack/qt-$qt_version-mingw64" "$prefix" 2>/dev/null || true
    else
      echo "Qt for Windows: the archive did not unpack; building from source" >&2
    fi
    rm -rf "$unpack"
  else
    echo "Qt for Windows: $archive_dir fails its checksum; building from source" >&2
  fi
fi

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ] \
   && [ -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ] \
   && [ -s "$prefix/bin/Qt6Core.dll" ] && [ -s "$prefix/bin/Qt6Gui.dll" ] \
   && [ -s "$prefix/bin/Qt6Widgets.dll" ] && [ -s "$prefix/bin/Qt6Network.dll" ] \
   && [ -s "$prefix/plugins/platforms/qwindows.dll" ]; then
  echo "Qt for Windows: reusing $prefix"
  echo "$prefix" >&3
  exit 0
fi

# Whatever is in the prefix without a matching stamp is a half-built or stale install.
rm -f "$stamp"
rm -rf "$prefix"
if [ -f "$work/options" ] && [ "$(cat "$work/options")" != "$wanted" ]; then
  rm -f "$work/configured.ok"
  rm -rf "$work/build"
fi
mkdir -p "$work"
printf '%s\n' "$wanted" > "$work/options"

src="$work/src"
if [ ! -f "$work/src.ok" ]; then
  rm -rf "$work/download" "$src"
  mkdir -p "$work/download"
  if ! (cd "$work/download" && apt-get source -qq "qt6-base=$deb_version" >"$work/download.log" 2>&1); then
    reason=$(grep -E '^(E|W): ' "$work/download.log" | grep -v unsandboxed | tail -n 1 | cut -c1-160)
    echo "build-qt-windows: could not fetch Debian's source of qt6-base $deb_version: ${reason:-see $work/download.log} (scripts/install-deps.sh windows-gui adds the deb-src entry)" >&2
    exit 1
  fi
  extracted=$(find "$work/download" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
  [ -n "$extracted" ] || { echo "build-qt-windows: the qt6-base source did not unpack" >&2; exit 1; }
  mv "$extracted" "$src"
  rm -rf "$work/download"
  touch "$work/src.ok"
fi

build="$work/build"
start=$(date +%s)
# An interrupted configure leaves a build folder that cannot be trusted: start it again.
if [ ! -f "$work/configured.ok" ]; then
  rm -rf "$build"
  cmake -S "$src" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    "${options[@]}"
  touch "$work/configured.ok"
fi
cmake --build "$build" -j "$jobs"
cmake --install "$build" >/dev/null
# The stamp says the install is complete: written last, after everything else succeeded.
end=$(date +%s)

printf '%s\n' "$wanted" > "$stamp"
echo "Qt for Windows: built in $(( (end - start) / 60 )) min into $prefix"
echo "$prefix" >&3
exit 0
}
