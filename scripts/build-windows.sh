#!/usr/bin/env bash
# Windows builds, cross-compiled with Debian's mingw-w64 against a static Qt.
#   build-windows.sh package   build-windows/kelvra-VERSION-win64.zip (make windows)
#   build-windows.sh test      the Qt-free test suite, kelvra-format.exe and kelvra.exe
#                              under Wine (make test-windows)
# The static Qt is unpacked from ../shared/toolchains into build-windows/cache once; without
# ../shared, scripts/build-qt-mingw.sh builds the same Qt there (about 16 minutes on 2 cores).
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-package}
out=${WINDOWS_DIR:-build-windows}
jobs=${JOBS:-$(nproc)}
cache=$out/cache
qt=$cache/qt6
archive=../shared/toolchains/qt6.4.2-mingw64-static.tar.xz
version=$(sed -n 's/^project(Kelvra VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

if [ ! -f "$qt/lib/cmake/Qt6/Qt6Config.cmake" ]; then
  mkdir -p "$cache"
  if [ -f "$archive" ]; then
    echo "Unpacking the static Qt for Windows into $cache"
    tar xJf "$archive" -C "$cache"
  else
    bash scripts/build-qt-mingw.sh "$qt"
  fi
fi

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$out/build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_PREFIX_PATH="$PWD/$qt" -DQT_HOST_PATH=/usr -DCMAKE_BUILD_TYPE=Release \
  -DKELVRA_BUILD_TESTS=ON -DKELVRA_BUILD_BENCH=OFF -DKELVRA_WINEPREFIX="$PWD/$out/wineprefix" "${launcher[@]}" >/dev/null

package() {
  cmake --build "$out/build" -j "$jobs" --target kelvra kelvra-format
  local name=kelvra-$version-win64 stage=$out/stage
  rm -rf "$stage" && mkdir -p "$stage/$name"
  cmake --install "$out/build" --prefix "$PWD/$stage/$name" --strip >/dev/null
  licences "$stage/$name/LICENSES.txt"
  # The source of this very build, so that anyone can relink with another Qt (LGPL).
  if git rev-parse --git-dir >/dev/null 2>&1; then
    # Uncommitted changes included (a stash commit that is not stored anywhere).
    local tree
    tree=$(git stash create 2>/dev/null || true)
    git archive --format=tar.gz --prefix="kelvra-$version/" -o "$stage/$name/kelvra-$version-src.tar.gz" "${tree:-HEAD}"
  else
    tar czf "$stage/$name/kelvra-$version-src.tar.gz" --exclude='./build*' --transform "s|^\.|kelvra-$version|" .
  fi
  sed -i "s/VERSION/$version/g" "$stage/$name/RELINKING.txt"
  # Windows line ends for the texts, so that every editor there shows them right.
  sed -i 's/$/\r/' "$stage/$name"/*.txt
  rm -f "$out/$name.zip"
  (cd "$stage" && zip -qr -X "../$name.zip" "$name")
  echo "Package: $out/$name.zip"
}

licences() {
  {
    cat <<'TEXT'
What kelvra.exe and kelvra-format.exe are made of, and under which licences
===========================================================================

- Kelvra itself; its source is in kelvra-*-src.tar.gz beside this file.
- Qt 6.4.2 (qtbase), linked statically into kelvra.exe: GNU LGPL version 3 (text below).
  See RELINKING.txt for building the program with another Qt. Qt carries its own copies of
  FreeType (FreeType licence), HarfBuzz (MIT), libpng (libpng licence), libjpeg (IJG licence),
  PCRE2 (BSD), zlib (zlib licence) and double-conversion (BSD).
- The GCC runtime libraries (libstdc++, libgcc): GPL version 3 with the GCC Runtime Library
  Exception, which allows linking them into programs under any licence.
- The mingw-w64 runtime and winpthreads: permissive licences (text below).
- The speed-button icons are the Tango icons: public domain.

TEXT
    for text in LGPL-3 GPL-3; do
      printf '\n\n==== %s ====\n\n' "$text"
      cat "/usr/share/common-licenses/$text"
    done
    printf '\n\n==== mingw-w64 ====\n\n'
    cat /usr/share/doc/mingw-w64-x86-64-dev/copyright
  } >"$1"
}

run_tests() {
  cmake --build "$out/build" -j "$jobs"
  bash tests/windows/run-all.sh "$out" "${LINUX_BUILD_DIR:-build}/bin/kelvra-format"
}

case $what in
  package) package ;;
  test) run_tests ;;
  *) echo "usage: $0 package|test" >&2; exit 2 ;;
esac
