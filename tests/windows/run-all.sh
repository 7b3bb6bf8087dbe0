#!/usr/bin/env bash
# The Windows build's tests under Wine (make test-windows): the Qt-free
# GoogleTest programs through CTest, kelvra-format.exe against the Linux
# program, and kelvra.exe on a virtual screen. Wine runs in a prefix under the
# Windows build folder with its own wineserver, kept up between the programs
# so that each start costs less.
#   run-all.sh WINDOWS_DIR LINUX_KELVRA_FORMAT
set -u
out=$(realpath "$1") linux=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
export KELVRA_WINEPREFIX=$out/wineprefix WINEPREFIX=$out/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
bin=$out/build/bin
log=$out/test-logs
mkdir -p "$log"
status=0
step() { # name, command...
  local name=$1 start=$SECONDS
  shift
  if "$@" >"$log/$name.log" 2>&1; then
    echo "PASS $name ($((SECONDS - start)) s)"
  else
    echo "FAIL $name ($((SECONDS - start)) s); the end of $log/$name.log:"
    tail -30 "$log/$name.log"
    status=1
  fi
}
all=$SECONDS
# A prefix of the build's own, made once (its first start takes a while).
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >"$log/wineboot.log" 2>&1
wineserver -p
step gtest-suites ctest --test-dir "$out/build" --output-on-failure --no-tests=error -j 2
step kelvra-format "$here/program-test.sh" "$linux" "$bin/kelvra-format.exe"
# The editor on a virtual screen, unless KELVRA_WINE_EDITOR=0. Its test starts
# a Wine server of its own with the screen: the one kept up for the console
# programs above has none, and a window asked of it never appears.
if [ "${KELVRA_WINE_EDITOR:-1}" = 1 ]; then
  step kelvra-editor "$here/editor-smoke-test.sh" "$linux" "$bin/kelvra.exe" "$log/kelvra-editor.png"
fi
wineserver -k 2>/dev/null
echo "Windows tests: $((SECONDS - all)) s"
exit $status
