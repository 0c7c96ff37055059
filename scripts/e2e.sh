#!/usr/bin/env bash
# Runs the real program in a real X window on a private X server and drives one
# typical diagnosis with xdotool, checking the screen's pixels at each step:
# OK on the settings screen, "1 Unit", the Main Sensor emitter button, "No
# error code" in the picker; the result area with page 1 / 4, whose cause and
# remedy of 1,000 bytes each scroll to their last line; the picture blinking
# inside its rectangle and nowhere else; Ctrl+S saving the report as a PDF
# through the file dialog (and doing nothing without a result); keyboard-only
# paging (Enter past the last page keeps the result, Page Down / Page Up) and
# Ctrl+C copying the page; CLEAR stopping the blink; a second diagnosis (the
# Main Sensor receiver), Ctrl+H opening the diagnosis history, the older entry
# opened again by keys showing its pages as before and its report the first
# diagnosis' time, both results recorded in QL7_Tool/History.sqlite; EXIT ending the program with status 0. Then the same diagnosis by clicks on screens too small for the
# nominal window size (desktop scales 1.5 and 2, and a 1024 x 600 screen):
# every window inside the screen.
# Screenshots are left in BUILD_DIR/e2e-shots.
# Usage: scripts/e2e.sh BUILD_DIR   (exits non-zero on failure)
set -euo pipefail

build=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
# shellcheck source=scripts/e2e-lib.sh
source "$(dirname "$0")/e2e-lib.sh"
shots="$build/e2e-shots"
shot_crop=1024x768+0+0 # the main window sits at the top left
need_tools Xvfb xdotool xwininfo xclip import convert compare sqlite3
rm -rf "$shots"
mkdir -p "$shots"
copy_program "$build"
# The first cause of the run gets a cause and a remedy of 1,000 bytes each:
# numbered lines, the remedy's last one marked.
long_text() { # WHAT
  local s="" i=1
  while [ $((${#s} + 120)) -lt 1000 ]; do
    s+="$1 step $i: check the wiring, mounting and supply of the unit.\\n"
    i=$((i + 1))
  done
  s+="LAST $1 LINE"
  while [ ${#s} -lt 1000 ]; do s+="."; done
  printf '%s' "$s"
}
CA=$(long_text cause) RE=$(long_text remedy) awk '
  /^\[/ { inside = ($0 ~ /^\[1LINEE149\]/) }
  inside && /^ca=/ { print "ca=" ENVIRON["CA"] "\r"; next }
  inside && /^re=/ { print "re=" ENVIRON["RE"] "\r"; next }
  { print }' "$build/QL7_Tool/QL7BE.ini" > "$work/bin/QL7_Tool/QL7BE.ini"

darvell_start_xvfb "$work" "$src" || fail "no X server"

# ---- helpers ---------------------------------------------------------------

# Number of differing pixels outside the picture rectangle.
diff_outside_picture() {
  convert "$1" -fill black -draw "rectangle $pic_l,$pic_t $((pic_r - 1)),$((pic_b - 1))" "$work/oa.png"
  convert "$2" -fill black -draw "rectangle $pic_l,$pic_t $((pic_r - 1)),$((pic_b - 1))" "$work/ob.png"
  diff_pixels "$work/oa.png" "$work/ob.png"
}
# Number of pixels inside geometry WxH+X+Y.
area() { echo $((${1%%x*} * $(echo "${1#*x}" | cut -d+ -f1))); }

green='rgb(135,255,135)'
white='rgb(255,255,255)'
# Client rectangles of the controls we look at, in pixels.
geom_of() { # x y w h in dialog units
  local l t r b
  l=$(dx "$1"); t=$(dy "$2"); r=$(dx $(($1 + $3))); b=$(dy $(($2 + $4)))
  echo "$((r - l - 4))x$((b - t - 4))+$((l + 2))+$((t + 2))"
}
page_geom=$(geom_of 165 270 51 15)
count_geom=$(geom_of 18 270 39 15)
text_geom=$(geom_of 18 287 480 82)
pic_l=$((1024 / 2 - 94)) pic_t=136 pic_r=$((1024 / 2 + 94)) pic_b=461
pic_geom="$((pic_r - pic_l))x$((pic_b - pic_t))+${pic_l}+${pic_t}"

# ---- the run ---------------------------------------------------------------

step "starting $work/bin/darvell on $DISPLAY"
"$work/bin/darvell" >"$work/app.log" 2>&1 &
app_pid=$!

# The settings screen takes the same size and place as the main window.
settings=$(wait_window 1024 768) || fail "the settings screen did not appear"
step "settings screen is up (window $settings); pressing OK"
click_control "$settings" 198 345 111 48

main=$(wait_window 1024 768 "$settings") || fail "the main window did not appear after OK"
eval "$(xdotool getwindowgeometry --shell "$main")"
[ "$X" = 0 ] && [ "$Y" = 0 ] || fail "main window at ($X, $Y), not at the top left"
sleep 0.3
shoot 01-idle
[ "$(count_colour "$shots/01-idle.png" "$page_geom" "$green")" -gt 0 ] ||
  fail "page label area is not plain background while idle"

# Without a result the report commands are disabled: Ctrl+S opens no file dialog.
mkdir -p "$work/reports"
save_title='^Save report as PDF$'
no_save_dialog() {
  xdotool key ctrl+s
  sleep 1
  [ -z "$(xdotool search --onlyvisible --name "$save_title" 2>/dev/null || true)" ]
}
step "Ctrl+S without a result"
click_background "$main"
no_save_dialog || fail "Ctrl+S opened the save dialog without a result"

step "choosing 1 Unit"
click_control "$main" 198 30 78 30
sleep 0.3
shoot 02-one-unit
# The Sub Sensor rows are gone: the Sub Sensor 1 emitter button's place is background.
sub1=$(geom_of 102 138 78 30)
[ "$(count_colour "$shots/02-one-unit.png" "$sub1" "$green")" = "$(area "$sub1")" ] ||
  fail "Sub Sensor 1 emitter button still shown with one unit"

step "pressing the Main Sensor emitter button"
click_control "$main" 102 189 78 30
picker=$(wait_window "$(dx 300)" "$(dy 331)") || fail "the picker did not appear"
sleep 0.3
shot_crop="" shoot 03-picker
step "picking 'No error code'"
click_control "$picker" 15 48 78 30
wait_gone "$(dx 300)" "$(dy 331)" || fail "the picker did not close"
sleep 0.4
shoot 04-results-page1

# The result area: white count and page boxes with dark text, the cause in the text box.
for g in "$page_geom" "$count_geom"; do
  total=$(area "$g")
  w=$(count_colour "$shots/04-results-page1.png" "$g" "$white")
  [ "$w" -gt $((total / 2)) ] || fail "result label $g is not a white box ($w of $total white)"
  [ "$w" -lt "$total" ] || fail "result label $g is empty"
done
[ "$(diff_pixels "$shots/01-idle.png" "$shots/04-results-page1.png" "$text_geom")" -gt 0 ] ||
  fail "the text box did not change from the help text"

# Page label "1 / 4": read it back, and check it changes with the page and comes back.
convert "$shots/04-results-page1.png" -crop "$page_geom" +repage "$shots/page1-label.png"
if command -v tesseract >/dev/null; then
  convert "$shots/page1-label.png" -colorspace Gray -resize 400% -threshold 60% "$work/page.png"
  read_back=$(tesseract "$work/page.png" - --psm 7 2>/dev/null | tr -d ' \n\f')
  [ "$read_back" = "1/4" ] || fail "page label reads '$read_back', not 1 / 4"
  step "page label reads 1 / 4"
fi

step "scrolling the long first page to its last line"
# A click gives the box the focus (a single click selects nothing); End scrolls.
click_control "$main" 18 287 480 82
xdotool key End
sleep 0.3
shoot 04b-page1-end
[ "$(diff_pixels "$shots/04-results-page1.png" "$shots/04b-page1-end.png" "$text_geom")" -gt 0 ] ||
  fail "the text box did not scroll"
if command -v tesseract >/dev/null; then
  convert "$shots/04b-page1-end.png" -crop "$text_geom" +repage -colorspace Gray -resize 200% "$work/text.png"
  tesseract "$work/text.png" - --psm 6 2>/dev/null | grep -q "LAST remedy LINE" ||
    fail "the remedy's last line is not on screen after scrolling to the end"
  step "the remedy's last line is on screen"
fi

step "DOWN to page 2 (the first cause is the healthy picture itself; the second blinks)"
click_control "$main" 366 255 45 30
sleep 0.3
shoot 05-results-page2
[ "$(diff_pixels "$shots/04-results-page1.png" "$shots/05-results-page2.png" "$page_geom")" -gt 0 ] ||
  fail "page label did not change on DOWN"

step "checking the blink: two shots a varying time apart"
blinked=""
# A shot itself takes a while on a loaded machine: pauses that are not all
# multiples of the 500 ms period keep the two shots from catching the same phase.
pauses=(0.5 0.3 0.7 0.2 0.9 0.4 0.6 0.1)
for attempt in 1 2 3 4 5 6 7 8; do
  shoot "06-blink-${attempt}a"
  sleep "${pauses[attempt - 1]}"
  shoot "06-blink-${attempt}b"
  a="$shots/06-blink-${attempt}a.png" b="$shots/06-blink-${attempt}b.png"
  outside=$(diff_outside_picture "$a" "$b")
  [ "$outside" = 0 ] || fail "screen changed outside the picture rectangle ($outside pixels, attempt $attempt)"
  inside=$(diff_pixels "$a" "$b" "$pic_geom")
  if [ "$inside" -gt 0 ]; then
    blinked=1
    step "picture differs in $inside pixels, nothing outside it (attempt $attempt)"
    break
  fi
done
[ -n "$blinked" ] || fail "the picture did not blink"

step "UP back to page 1"
click_control "$main" 312 255 45 30
sleep 0.3
shoot 07-back-to-page1
convert "$shots/07-back-to-page1.png" -crop "$page_geom" +repage "$work/page1-again.png"
[ "$(diff_pixels "$shots/page1-label.png" "$work/page1-again.png")" = 0 ] ||
  fail "page label after UP differs from page 1"

step "Ctrl+S: saving the report as a PDF"
xdotool key ctrl+s
wait_named "$save_title" >/dev/null || fail "Ctrl+S opened no save dialog after the diagnosis"
sleep 0.5
shot_crop="" shoot 09-save-dialog
# The file name field has the focus with the suggested name selected.
report="$work/reports/e2e-report.pdf"
xdotool key ctrl+a
xdotool type --delay 20 "$report"
xdotool key Return
timeout 10 sh -c 'until [ -s "$1" ]; do sleep 0.1; done' - "$report" || fail "no PDF at $report after the save"
if command -v pdftotext >/dev/null; then
  pdftotext "$report" - | grep -q "Possible cause 4 / 4" || fail "the saved PDF does not list cause 4 / 4"
fi
[ -z "$(ls -A "$work/reports" | grep -v '^e2e-report.pdf$')" ] || fail "the save left other files behind"
step "saved $(stat -c %s "$report") bytes of PDF"

# Keyboard only from here: UP went disabled on page 1, so the focus is on DOWN
# (the save dialog gave it back).
label_of() { convert "$shots/$1.png" -crop "$page_geom" +repage "$work/$1-label.png"; echo "$work/$1-label.png"; }
result_shown() { # SHOT: page label still a white box, text box not the help text
  local w
  w=$(count_colour "$shots/$1.png" "$page_geom" "$white")
  [ "$w" -gt $(($(area "$page_geom") / 2)) ] && [ "$w" -lt "$(area "$page_geom")" ] &&
    [ "$(diff_pixels "$shots/01-idle.png" "$shots/$1.png" "$text_geom")" -gt 0 ]
}
click_background "$main"
step "keyboard: Enter three times to the last page, then once more"
xdotool key Return Return Return
sleep 0.3
shoot 09-keys-last-page
xdotool key Return
sleep 0.3
shoot 10-keys-one-more-enter
result_shown 10-keys-one-more-enter || fail "one more Enter after the last page did not leave the result on screen"
[ "$(diff_pixels "$(label_of 09-keys-last-page)" "$(label_of 10-keys-one-more-enter)")" -gt 0 ] ||
  fail "Enter on the last page did not go back a page (UP should have the focus)"
step "keyboard: Page Down, Page Up"
xdotool key Next
sleep 0.3
shoot 11-keys-page-down
[ "$(diff_pixels "$(label_of 09-keys-last-page)" "$(label_of 11-keys-page-down)")" = 0 ] ||
  fail "Page Down did not show the last page"
xdotool key Prior
sleep 0.3
shoot 12-keys-page-up
[ "$(diff_pixels "$(label_of 10-keys-one-more-enter)" "$(label_of 12-keys-page-up)")" = 0 ] ||
  fail "Page Up did not go back a page"
result_shown 12-keys-page-up || fail "the result is gone after paging by keys"
step "keyboard: Ctrl+C copies the page (3 / 4: error number 151)"
copied=$(copied_by ctrl+c)
case "$copied" in
  "* Cause"*"section 1LINEE151"*"* Remedy"*) ;;
  *) fail "the clipboard holds '$copied', not the page's text" ;;
esac

step "CLEAR"
click_control "$main" 42 372 78 30
sleep 0.3
shoot 08-cleared-a
sleep 0.6
shoot 08-cleared-b
[ "$(diff_pixels "$shots/08-cleared-a.png" "$shots/08-cleared-b.png")" = 0 ] ||
  fail "the screen still changes after CLEAR"
[ "$(diff_pixels "$shots/01-idle.png" "$shots/08-cleared-a.png" "$text_geom")" = 0 ] ||
  fail "the text box does not show the help text again after CLEAR"
[ "$(count_colour "$shots/08-cleared-a.png" "$page_geom" "$green")" = "$(area "$page_geom")" ] ||
  fail "page label still shown after CLEAR"
no_save_dialog || fail "Ctrl+S opened the save dialog after CLEAR"

step "a second diagnosis: Main Sensor receiver, 'No error code'"
click_control "$main" 327 189 78 30
picker=$(wait_window "$(dx 300)" "$(dy 331)") || fail "the picker did not appear for the receiver"
sleep 0.3
click_control "$picker" 15 48 78 30
wait_gone "$(dx 300)" "$(dy 331)" || fail "the picker did not close"
sleep 0.4
shoot 13-second-diagnosis
result_shown 13-second-diagnosis || fail "the second diagnosis shows no result"

step "Ctrl+H: the diagnosis history; Tab, Down, Enter open the older entry"
click_background "$main"
xdotool key ctrl+h
history=$(wait_named '^Diagnosis history$') || fail "Ctrl+H opened no history window"
sleep 0.5
shot_crop="" shoot 14-history
xdotool key Tab Down Return
gone "$history" || fail "the history window did not close on Enter"
sleep 0.4
shoot 15-reopened-page1
result_shown 15-reopened-page1 || fail "the reopened entry shows no result"
[ "$(diff_pixels "$shots/04-results-page1.png" "$shots/15-reopened-page1.png" "$text_geom")" = 0 ] ||
  fail "the reopened entry's first page differs from the first diagnosis' first page"
[ "$(diff_pixels "$shots/page1-label.png" "$(label_of 15-reopened-page1)")" = 0 ] ||
  fail "the reopened entry's page label is not 1 / 4"
xdotool key Next
sleep 0.3
shoot 16-reopened-page2
[ "$(diff_pixels "$(label_of 05-results-page2)" "$(label_of 16-reopened-page2)")" = 0 ] ||
  fail "Page Down on the reopened entry does not show page 2 / 4"
history_file="$work/bin/QL7_Tool/History.sqlite"
[ -s "$history_file" ] || fail "no QL7_Tool/History.sqlite"
cp "$history_file" "$shots/History.sqlite"
records() { sqlite3 -readonly -separator , "$history_file" "$@"; }
[ "$(records 'PRAGMA integrity_check')" = ok ] || fail "History.sqlite is not sound"
[ "$(records 'SELECT count(*) FROM record')" = 2 ] || fail "History.sqlite does not hold two records"
[ "$(records "SELECT units, side, code_main, interlock, halt, error_numbers FROM record ORDER BY utc_ms LIMIT 1")" = \
  "1,1,No error code,0,0,149 150 151 152" ] || fail "History.sqlite lacks the emitter diagnosis first"
[ "$(records "SELECT side, code_main FROM record ORDER BY utc_ms LIMIT 1 OFFSET 1")" = "2,No error code" ] ||
  fail "History.sqlite lacks the receiver diagnosis second"
step "History.sqlite holds both records"

# The report of the entry opened again carries the first diagnosis' time.
first=$(records "SELECT time FROM record ORDER BY utc_ms LIMIT 1" | sed 's/\.[0-9]\{3\}//')
click_background "$main" # the keys go to the window, not the text box
report=$(copied_by ctrl+shift+c)
printf '%s\n' "$report" | grep -qxF "Date and time of the diagnosis: $first" ||
  fail "the reopened entry's report does not carry its time $first: $(printf '%s' "$report" | head -n 4)"
printf '%s\n' "$report" | grep -q '^Opened again: ' || fail "the reopened entry's report does not say when it was opened again"
step "the reopened report carries the diagnosis' own time ($first)"

# Peak resident memory of the whole run so far (a sanitizer build is far larger).
if [ -r "/proc/$app_pid/status" ]; then
  step "peak resident memory of the program: $(awk '/^VmHWM/ {print $2, $3}' "/proc/$app_pid/status")"
fi

step "EXIT"
click_control "$main" 420 372 78 30
app_ends EXIT

# ---- screens smaller than the nominal window ---------------------------------

# The whole window lies on the screen.
inside() { # ID WHAT
  eval "$(xdotool getwindowgeometry --shell "$1")"
  [ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ $((X + WIDTH)) -le "$sw" ] && [ $((Y + HEIGHT)) -le "$sh" ] ||
    fail "$2 at ${WIDTH}x${HEIGHT}+$X+$Y does not fit the ${sw}x${sh} screen ($tag)"
}
fit_run() { # SCREEN SCALE TAG
  local settings main picker add k
  tag=$3 sw=${1%x*} sh=${1#*x}
  if [ -n "$xvfb_pid" ]; then # a server of this run's own
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
  darvell_start_xvfb "$work" "$src" "$1" || fail "no X server ($tag)"
  step "$tag: ${1} screen at desktop scale $2"
  QT_SCALE_FACTOR=$2 "$work/bin/darvell" >"$work/app.log" 2>&1 &
  app_pid=$!
  settings=$(wait_other) || fail "the settings screen did not appear ($tag)"
  sleep 0.3
  inside "$settings" "the settings screen"
  shot_crop="" shoot "$tag-1-settings"
  eval "$(xdotool getwindowgeometry --shell "$settings")"
  k=$(scale_of "$WIDTH" "$HEIGHT" "$2")
  click_scaled "$settings" "$k" 198 345 111 48
  main=$(wait_other "$settings") || fail "the main window did not appear ($tag)"
  sleep 0.3
  inside "$main" "the main window"
  click_scaled "$main" "$k" 198 30 78 30
  click_scaled "$main" "$k" 102 189 78 30
  picker=$(wait_other "$main" "$settings") || fail "the picker did not appear ($tag)"
  sleep 0.3
  inside "$picker" "the picker"
  shot_crop="" shoot "$tag-2-picker"
  click_scaled "$picker" "$k" 15 48 78 30
  gone "$picker" || fail "the picker did not close ($tag)"
  sleep 0.3
  shot_crop="" shoot "$tag-3-results"
  click_scaled "$main" "$k" 420 255 78 30
  add=$(wait_other "$main" "$settings") || fail "the conditions dialog did not appear ($tag)"
  sleep 0.3
  inside "$add" "the conditions dialog"
  shot_crop="" shoot "$tag-4-conditions"
  click_scaled "$add" "$k" 99 48 78 30
  click_scaled "$add" "$k" 183 243 78 30
  gone "$add" || fail "the conditions dialog did not close ($tag)"
  sleep 0.3
  shot_crop="" shoot "$tag-5-narrowed"
  [ "$(diff_pixels "$shots/$tag-3-results.png" "$shots/$tag-5-narrowed.png")" -gt 0 ] ||
    fail "the conditions changed nothing ($tag)"
  click_scaled "$main" "$k" 420 372 78 30
  app_ends "EXIT ($tag)"
}
fit_run 1280x1024 1.5 fit-1280x1024-s1.5
fit_run 1920x1080 2 fit-1920x1080-s2
fit_run 1024x600 1 fit-1024x600-s1
step "PASS (screenshots in $shots)"
