#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a desktop needs from it:
# both programs run, the desktop entry and the AppStream metadata validate, the
# icons and manual pages are where the desktop and man look for them.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
"$prefix/bin/kelvra-format" --version | grep -q '^kelvra-format ' || fail "kelvra-format does not run"
[ -x "$prefix/bin/kelvra" ] || fail "kelvra is not installed"
desktop-file-validate "$prefix/share/applications/org.kelvra.Kelvra.desktop" >/dev/null || fail "desktop entry"
appstreamcli validate --no-net "$prefix/share/metainfo/org.kelvra.Kelvra.metainfo.xml" >/dev/null ||
  fail "AppStream metadata"
for size in 16x16 22x22 24x24 32x32 48x48 64x64 128x128 256x256; do
  [ -s "$prefix/share/icons/hicolor/$size/apps/kelvra.png" ] || fail "icon $size"
done
[ -s "$prefix/share/icons/hicolor/scalable/apps/kelvra.svg" ] || fail "scalable icon"
[ -s "$prefix/share/kelvra/kelvra-help.html" ] || fail "help document"
for page in kelvra kelvra-format; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$page.1" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "manual page $page: $warnings"
done
echo "installed files: all checks passed"
