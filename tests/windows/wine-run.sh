#!/usr/bin/env bash
# Runs a Windows program under Wine the way the tests need it: in the prefix
# under the build folder ($KELVRA_WINEPREFIX), with its own wineserver, and
# with standard output and error collected in files (a pipe to a Wine
# program can hang for seconds after it ends), passed on afterwards.
#   wine-run.sh PROGRAM.exe ARGS...   (standard input is handed over as is)
set -u
: "${KELVRA_WINEPREFIX:?set KELVRA_WINEPREFIX to the Wine prefix under the build folder}"
export WINEPREFIX="$KELVRA_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
wine "$@" >"$out" 2>"$err"
status=$?
# A crash hands the program to Wine's debugger, which may still end with 0.
if [ $status = 0 ] && grep -q '^wine: Unhandled' "$err"; then
  echo "wine-run.sh: the program crashed" >>"$err"
  status=3
fi
cat "$out"
cat "$err" >&2
exit $status
