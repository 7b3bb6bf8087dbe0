#!/usr/bin/env bash
# Emacs (eglot) formats a Japanese buffer through kelvra-format --lsp and saves
# it; the file must then equal kelvra-format's own output for it.
#   eglot-test.sh KELVRA_FORMAT
set -euo pipefail
program=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[Setting]\r\n' >"$work/Kelvra.ini"
cp "$here/../data/japanese.sql" "$work/buffer.sql"
"$program" --settings "$work/Kelvra.ini" --line-breaks-separate --tidy "$work/buffer.sql" >"$work/expected.sql"

cd "$work"
HOME="$work" KELVRA_FORMAT="$program" KELVRA_SETTINGS="$work/Kelvra.ini" KELVRA_BUFFER="$work/buffer.sql" \
  timeout 120 emacs --batch --no-init-file -l "$here/eglot.el" </dev/null
if ! cmp -s "$work/expected.sql" "$work/buffer.sql"; then
  echo "the buffer Emacs saved differs from kelvra-format's output:"
  diff -u "$work/expected.sql" "$work/buffer.sql" || true
  exit 1
fi
echo "Emacs (eglot-format-buffer) formatted the buffer as kelvra-format does"
