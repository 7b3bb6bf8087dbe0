#!/usr/bin/env bash
# kelvra-format.exe under Wine against the Linux build of the same source: the
# whole corpus under every golden option set, a Japanese file name with -i,
# standard input and output, and the exit status of each kind of ending must
# all be the same bytes.
#   program-test.sh LINUX_KELVRA_FORMAT WINDOWS_KELVRA_FORMAT_EXE
set -u
linux=$(realpath "$1") windows=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
shared=$(cd "$here/../../.." && pwd)/shared
run_windows() { "$here/wine-run.sh" "$windows" "$@"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
same() { # what, expected file, actual file
  if ! cmp -s "$2" "$3"; then fail "$1 differs"; diff -a "$2" "$3" | head -8; fi
}
# Messages name files with the system's separator; compare them with "/" (only in
# the file name that starts a message: the rest may quote backslashes of the SQL).
slashes() { perl -pi -e 's{^((?:kelvra-format: )?)([^:]*)}{$1 . ($2 =~ tr|\\|/|r)}e' "$1"; }

# 1. The corpus under each golden set: one Wine process per set, rewriting a copy in place.
if [ -d "$shared/corpus" ] && [ -d "$shared/golden" ]; then
  files=0
  for set_dir in "$shared"/golden/*/; do
    set=$(basename "$set_dir")
    for side in linux windows; do
      # Writable copies: Windows refuses to replace a file whose read-only attribute is set.
      mkdir -p "$work/$set/$side" && cp -r "$shared/corpus/." "$work/$set/$side/" && chmod -R u+w "$work/$set/$side"
    done
    (cd "$work/$set/linux" && "$linux" -i --join-lines --settings "$set_dir/Kelvra.ini" . >../linux.out 2>../linux.err)
    echo $? >"$work/$set/linux.status"
    (cd "$work/$set/windows" && run_windows -i --join-lines --settings "$set_dir/Kelvra.ini" . >../windows.out 2>../windows.err)
    echo $? >"$work/$set/windows.status"
    slashes "$work/$set/windows.err"
    same "$set: exit status" "$work/$set/linux.status" "$work/$set/windows.status"
    same "$set: standard output" "$work/$set/linux.out" "$work/$set/windows.out"
    same "$set: messages" "$work/$set/linux.err" "$work/$set/windows.err"
    if ! diff -r -q "$work/$set/linux" "$work/$set/windows"; then fail "$set: formatted files differ"; fi
    changed=$(diff -r -q "$shared/corpus" "$work/$set/linux" | wc -l)
    files=$((files + $(find "$work/$set/linux" -name '*.sql' | wc -l)))
    echo "$set: $changed files rewritten, all byte for byte as on Linux"
  done
  echo "corpus: $files file runs compared"
else
  echo "no ../shared/corpus and golden: corpus comparison skipped"
fi

# 2. A Japanese name, in Shift-JIS and UTF-8 content, rewritten in place.
mkdir -p "$work/names/linux" "$work/names/windows"
printf 'select \x95\x5c\x8e\xa6, b from \x83\x5c\x83\x74\x83\x67 where x = 1;\r\n' >"$work/names/linux/日本語テスト.sql"
printf 'select 名前 from 表 where x = 1;\n' >"$work/names/linux/ファイル①.sql"
cp "$work/names/linux/"* "$work/names/windows/"
for name in 日本語テスト.sql ファイル①.sql; do
  (cd "$work/names/linux" && "$linux" -i "$name" 2>../linux.err); l=$?
  (cd "$work/names/windows" && run_windows -i "$name" 2>../windows.err); w=$?
  [ "$l" = 0 ] && [ "$w" = 0 ] || fail "-i $name: exit $l on Linux, $w on Windows"
  same "-i $name" "$work/names/linux/$name" "$work/names/windows/$name"
done
cmp -s "$work/names/windows/日本語テスト.sql" "$work/names/linux/日本語テスト.sql" &&
  ! cmp -s "$work/names/windows/日本語テスト.sql" <(printf 'select \x95\x5c\x8e\xa6, b from \x83\x5c\x83\x74\x83\x67 where x = 1;\r\n') ||
  fail "the Japanese-named file was not rewritten"
# A name that does not exist is named in the message as given, in UTF-8.
(cd "$work/names/windows" && run_windows 無い①.sql >/dev/null 2>../missing.err); status=$?
[ "$status" = 1 ] || fail "a missing file: exit $status, not 1"
grep -q '^kelvra-format: 無い①.sql: cannot open: ' "$work/names/missing.err" || fail "a missing file: $(cat "$work/names/missing.err")"

# 3. Standard input to standard output, with CR LF, a lone LF and a 0x1A byte kept.
printf 'select a from t;\r\nselect \x1a from u;\nselect \x95\x5c from v;\r\n' >"$work/stdin.sql"
"$linux" --line-breaks-separate <"$work/stdin.sql" >"$work/stdin.linux" 2>"$work/stdin.linux.err"; l=$?
run_windows --line-breaks-separate <"$work/stdin.sql" >"$work/stdin.windows" 2>"$work/stdin.windows.err"; w=$?
[ "$l" = "$w" ] || fail "standard input: exit $l on Linux, $w on Windows"
same "standard input to standard output" "$work/stdin.linux" "$work/stdin.windows"
same "standard input's messages" "$work/stdin.linux.err" "$work/stdin.windows.err"

# 4. Exit status: usage error 2, refused text 1, --check with changes 1, nothing to change 0.
printf 'select a\nfrom t\n' >"$work/joins.sql"
printf 'SELECT\r\n        A \r\n' >"$work/formatted.sql"
check_status() { # expected, description, args...
  local expected=$1 what=$2
  shift 2
  run_windows "$@" >"$work/status.out" 2>"$work/status.err" </dev/null
  local got=$?
  [ "$got" = "$expected" ] || fail "$what: exit $got, not $expected ($(head -c 300 "$work/status.err"))"
}
check_status 2 "an unknown option" --no-such-option
check_status 0 "a text whose line breaks would join words, meaning kept" "$work/joins.sql"
check_status 1 "the same under the base rules" --no-keep-meaning "$work/joins.sql"
check_status 1 "--check with a change" --check --line-breaks-separate "$work/joins.sql"
check_status 0 "--version" --version

if [ $failures -gt 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "kelvra-format.exe: everything as on Linux"
