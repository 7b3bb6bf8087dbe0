#!/usr/bin/env bash
# kelvra.exe under Wine on a virtual screen, driven as a user would: it opens a
# Shift-JIS file with a Japanese name, formats it (Ctrl+G), saves it (Ctrl+S,
# confirmed), and the saved bytes must be those of the Linux kelvra-format with
# --join-lines (the editor's own rules) on the same text and settings.
#   editor-smoke-test.sh LINUX_KELVRA_FORMAT WINDOWS_KELVRA_EXE [SCREENSHOT.png]
set -u
linux=$(realpath "$1") windows=$(realpath "$2") shot=${3:-}
: "${KELVRA_WINEPREFIX:?set KELVRA_WINEPREFIX to the Wine prefix under the build folder}"
export WINEPREFIX="$KELVRA_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
display=:$((150 + $$ % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
cleanup() {
  wineserver -k 2>/dev/null
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=$display
fail() { echo "FAIL: $*"; exit 1; }
# Waits up to $1 seconds for a window whose name holds $2; prints its id.
window() {
  local id
  for _ in $(seq $(($1 * 2))); do
    id=$(xdotool search --name "$2" 2>/dev/null | tail -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.5
  done
  return 1
}

# The program in a folder of its own, so that its Kelvra.ini goes there.
mkdir -p "$work/app"
cp "$windows" "$work/app/kelvra.exe"
printf '[Setting]\r\n' >"$work/app/Kelvra.ini"
name=日本語テスト.sql
printf 'select \x95\x5c\x8e\xa6\x96\xbc, b from \x83\x5c\x83\x74\x83\x67 t where x = 1 and y = \x27\x93\xfa\x96\x7b\x27;\r\nselect count(*) from t group by a;\r\n' \
  >"$work/app/$name"
"$linux" --join-lines --settings "$work/app/Kelvra.ini" "$work/app/$name" >"$work/expected" ||
  fail "the Linux kelvra-format did not format the text"

# A Wine server started without a screen (for the console tests) cannot show windows.
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
(cd "$work/app" && wine kelvra.exe "$name" >"$work/kelvra.out" 2>&1) &
disown # ended with the wineserver at the end
# The first start in a new prefix builds Wine's font cache (the CJK fonts are
# large), which can take minutes on a busy machine.
main=$(window 300 "Kelvra - .*日本語テスト") || {
  cat "$work/kelvra.out"
  fail "no main window with the file's name within 300 s"
}
xdotool windowfocus "$main" 2>/dev/null
sleep 1
xdotool key --window "$main" ctrl+g
sleep 3
before=$(md5sum <"$work/app/$name")
xdotool key --window "$main" ctrl+s
confirm=$(window 20 "確認") || fail "no confirmation before overwriting"
xdotool windowfocus "$confirm" 2>/dev/null
xdotool key --window "$confirm" Return
for _ in $(seq 40); do
  [ "$(md5sum <"$work/app/$name")" != "$before" ] && break
  sleep 0.5
done
if [ -n "$shot" ] && command -v import >/dev/null; then import -window root "$shot"; fi
cmp -s "$work/expected" "$work/app/$name" || {
  diff -a "$work/expected" "$work/app/$name" | head
  fail "the saved file is not what the Linux build gives"
}
echo "kelvra.exe: opened $name, formatted and saved the same bytes as Linux"
