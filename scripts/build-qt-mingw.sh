#!/usr/bin/env bash
# Builds the static Qt for Windows that `make windows` uses, for machines without
# ../shared/toolchains/qt6.4.2-mingw64-static.tar.xz (about 16 minutes on 2 cores).
#   build-qt-mingw.sh PREFIX      installs it into PREFIX (e.g. build-windows/cache/qt6)
#
# Source: Debian 12's own qt6-base 6.4.2+dfsg-10 (`apt-get source`, needs a deb-src line),
# so that it matches the host tools (moc, rcc, uic) of qt6-base-dev-tools exactly.
# Flags: the mingw-w64 posix compilers, Release, static libraries, QT_HOST_PATH=/usr, no tests
# or examples, and off: opengl, vulkan, dbus, network, sql, concurrent, xml, icu, the
# accessibility bridge and tabletevent (Debian's tarball drops the wintab headers it needs);
# freetype, harfbuzz, libpng, libjpeg, pcre2, zlib and double-conversion bundled.
# One source change: qwindowswindow.cpp's isSoftwareGl() asks for dynamicgl only when opengl
# is on too, because with opengl off it does not compile.
set -euo pipefail
prefix=$(realpath -m "${1:?usage: $0 PREFIX}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# apt-get source needs a deb-src line (and dpkg-dev); adding one needs root.
if ! grep -rqs '^deb-src .*bookworm' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  echo "deb-src http://deb.debian.org/debian bookworm main" >/etc/apt/sources.list.d/kelvra-src.list
  apt-get update -qq
fi
apt-get source -qq qt6-base=6.4.2+dfsg-10
src=$(find . -maxdepth 1 -type d -name 'qt6-base-*' | head -1)

window_cpp=$src/src/plugins/platforms/windows/qwindowswindow.cpp
perl -0 -i -pe 's/(isSoftwareGl\(\)[^{]*\{\s*#if QT_CONFIG\(dynamicgl\))/$1 \&\& QT_CONFIG(opengl)/' "$window_cpp"
grep -q 'QT_CONFIG(dynamicgl) && QT_CONFIG(opengl)' "$window_cpp" ||
  { echo "the isSoftwareGl() change did not apply; see the comment at the top" >&2; exit 1; }

cat >toolchain.cmake <<'TOOLCHAIN'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TOOLCHAIN

cmake -S "$src" -B build -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF \
  -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF -DFEATURE_dbus=OFF -DFEATURE_network=OFF \
  -DFEATURE_sql=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_icu=OFF \
  -DFEATURE_accessibility_atspi_bridge=OFF -DFEATURE_tabletevent=OFF \
  -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF \
  -DFEATURE_system_jpeg=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_zlib=OFF \
  -DFEATURE_system_doubleconversion=OFF
cmake --build build --parallel
cmake --install build
echo "Static Qt for Windows in $prefix"
