#!/usr/bin/env bash
# Neovim formats a Japanese buffer through kelvra-format --lsp and writes it;
# the file must then equal kelvra-format's own output for it.
#   neovim-test.sh KELVRA_FORMAT
set -euo pipefail
program=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[Setting]\r\n' >"$work/Kelvra.ini"
cp "$here/../data/japanese.sql" "$work/buffer.sql"
printf "select 1 from t;\nselect '𠮷野家' as a, 'x from t;\n" >"$work/unclosed.sql"
"$program" --settings "$work/Kelvra.ini" --line-breaks-separate --tidy "$work/buffer.sql" >"$work/expected.sql"

cd "$work"
HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state" \
  KELVRA_FORMAT="$program" KELVRA_SETTINGS="$work/Kelvra.ini" KELVRA_BUFFER="$work/buffer.sql" \
  KELVRA_UNCLOSED="$work/unclosed.sql" \
  timeout 120 nvim --headless -u NONE -i NONE -n -c "luafile $here/neovim.lua" </dev/null
if ! cmp -s "$work/expected.sql" "$work/buffer.sql"; then
  echo "the buffer Neovim wrote differs from kelvra-format's output:"
  diff -u "$work/expected.sql" "$work/buffer.sql" || true
  exit 1
fi
echo "Neovim formatted the buffer as kelvra-format does and showed the unclosed quote"
