#!/usr/bin/env bash
# A real editor formats a Japanese buffer through kelvra-format --lsp and saves
# it; the file must then equal kelvra-format's own output for it. Neovim also
# waits for the diagnostic of an unclosed quote (neovim.lua checks its place).
#   client-test.sh neovim|eglot KELVRA_FORMAT
set -euo pipefail
client=$1 program=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[Setting]\r\n' >"$work/Kelvra.ini"
cp "$here/../data/japanese.sql" "$work/buffer.sql"
printf "select 1 from t;\nselect '𠮷野家' as a, 'x from t;\n" >"$work/unclosed.sql"
"$program" --settings "$work/Kelvra.ini" --line-breaks-separate --tidy "$work/buffer.sql" >"$work/expected.sql"

cd "$work"
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state"
export KELVRA_FORMAT="$program" KELVRA_SETTINGS="$work/Kelvra.ini" KELVRA_BUFFER="$work/buffer.sql"
export KELVRA_UNCLOSED="$work/unclosed.sql"
case $client in
neovim) timeout 120 nvim --headless -u NONE -i NONE -n -c "luafile $here/neovim.lua" </dev/null ;;
eglot) timeout 120 emacs --batch --no-init-file -l "$here/eglot.el" </dev/null ;;
*) echo "client-test.sh: no client $client" >&2; exit 2 ;;
esac
if ! cmp -s "$work/expected.sql" "$work/buffer.sql"; then
  echo "the buffer $client saved differs from kelvra-format's output:"
  diff -u "$work/expected.sql" "$work/buffer.sql" || true
  exit 1
fi
echo "$client formatted the buffer as kelvra-format does"
