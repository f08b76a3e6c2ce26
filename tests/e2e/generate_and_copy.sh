#!/usr/bin/env bash
# The real program under Xvfb against the bundled templates: types a user code into the input box,
# presses the generate button, and checks the clipboard and the preview file against the expected
# generation; then Esc closes it with exit code 0 and the preview file is gone. It runs in a
# network namespace of its own (e2e_lib.sh), so the templates come from its own server: a server
# with other templates would make the comparison fail.
# Usage: generate_and_copy.sh PROGRAM EXPECTED_GENERATION SITE_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
program=$1 expected_generation=$2 site=$3

# Places of the window's form, in client coordinates: the centres of the input box and the button.
input_box=(372 178)
generate_button=(681 341)

user_code='<div class="banner"><a href="#">全屏海报 宽度 537206418 Zelvo软件537206418</a> 😀</div>'
printf '%s' "$user_code" | iconv -f UTF-8 -t GB18030 >"$E2E_TMP/user_code.gbk"
"$expected_generation" "$site" "$E2E_TMP/user_code.gbk" "$E2E_TMP/code.gbk" "$E2E_TMP/page.gbk"
iconv -f GB18030 -t UTF-8 "$E2E_TMP/code.gbk" >"$E2E_TMP/code.utf8"

start_display
start_template_server "$site"
installed=$(install_program "$program")
"$installed" 2>"$E2E_TMP/program.log" &
program_pid=$!
E2E_PIDS+=("$program_pid")

window=$(find_window) || fail "no window titled $E2E_WINDOW_TITLE"
[ -n "$window" ] || fail "no window titled $E2E_WINDOW_TITLE"

# Paste the user code into the input box, as a user would.
printf '%s' "$user_code" | xclip -selection clipboard -i -t UTF8_STRING
click "$window" "${input_box[@]}"
xdotool key --clearmodifiers ctrl+v

clipboard_is_generated() { clipboard_utf8 | cmp -s - "$E2E_TMP/code.utf8"; }
# Until the code template has arrived a press shows the waiting text and changes nothing, so
# press again until the clipboard holds the generation.
press_and_check() {
    click "$window" "${generate_button[@]}"
    wait_until 1 clipboard_is_generated
}
wait_until 30 press_and_check || {
    clipboard_utf8 >"$E2E_TMP/clipboard.txt" || true
    diff <(cat "$E2E_TMP/code.utf8") "$E2E_TMP/clipboard.txt" | head -20 >&2 || true
    fail "the clipboard never held the expected generation"
}
echo "clipboard holds the generated code ($(wc -c <"$E2E_TMP/code.gbk") GBK bytes)"

preview="$(dirname "$installed")/yl.htm"
cmp "$preview" "$E2E_TMP/page.gbk" || fail "yl.htm differs from the expected preview page"
echo "yl.htm holds the expected preview page"

xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --clearmodifiers Escape
exited() { ! kill -0 "$program_pid" 2>/dev/null; }
wait_until 5 exited || fail "Esc did not close the program"
status=0
wait "$program_pid" || status=$?
[ "$status" -eq 0 ] || fail "exit code $status: $(cat "$E2E_TMP/program.log")"
[ ! -e "$preview" ] || fail "yl.htm is still there after closing"
echo "Esc closed the program with exit code 0 and removed yl.htm"
