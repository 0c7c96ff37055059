#!/usr/bin/env bash
# Runs the real program in a real X window on a private X server and drives one
# typical diagnosis with xdotool, checking the screen's pixels at each step:
# OK on the settings screen, "1 Unit", the Main Sensor emitter button, "No
# error code" in the picker; the result area with page 1 / 4; the picture
# blinking inside its rectangle and nowhere else; Ctrl+S saving the report as a
# PDF through the file dialog (and doing nothing without a result); CLEAR
# stopping the blink; EXIT ending the program with status 0.
# Screenshots are left in BUILD_DIR/e2e-shots.
# Usage: scripts/e2e.sh BUILD_DIR   (exits non-zero on failure)
set -euo pipefail

build=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
shots="$build/e2e-shots"
work=$(mktemp -d)
xvfb_pid=""
app_pid=""

cleanup() {
  for pid in "$app_pid" "$xvfb_pid"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  done
  for pid in "$app_pid" "$xvfb_pid"; do
    [ -n "$pid" ] && wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "e2e: FAIL: $*" >&2
  echo "e2e: screenshots in $shots" >&2
  [ -s "$work/app.log" ] && { echo "--- program output" >&2; tail -n 30 "$work/app.log" >&2; }
  exit 1
}
step() { echo "e2e: $*"; }

for tool in Xvfb xdotool import convert compare; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/deps.sh lists it)"
done
[ -x "$build/darvell" ] || fail "no program at $build/darvell"
[ -d "$build/QL7_Tool" ] || fail "no sample data directory at $build/QL7_Tool"

rm -rf "$shots"
mkdir -p "$shots" "$work/bin"
# A private copy beside a private data directory: English, first series, 768 high.
cp "$build/darvell" "$work/bin/"
cp -r "$build/QL7_Tool" "$work/bin/"
printf '[Setting]\r\nLanguage=1\r\nType=0\r\nDialogHeight=0\r\n' > "$work/bin/QL7_Tool/Setting.ini"

source "$src/scripts/xvfb-env.sh"
darvell_start_xvfb "$work" "$src" || fail "no X server"

# ---- helpers ---------------------------------------------------------------

# Dialog units to pixels, the program's one conversion.
dx() { echo $(($1 * 2)); }
dy() { echo $(($1 * 7 / 4)); }

# Window id of a visible "Darvell" window of the given client size, other than
# the window id given third; waits up to 30 s.
wait_window() {
  local w=$1 h=$2 not=${3:-} id
  for _ in $(seq 300); do
    for id in $(xdotool search --onlyvisible --name '^Darvell$' 2>/dev/null || true); do
      [ "$id" = "$not" ] && continue
      eval "$(xdotool getwindowgeometry --shell "$id")"
      if [ "$WIDTH" = "$w" ] && [ "$HEIGHT" = "$h" ]; then
        echo "$id"
        return 0
      fi
    done
    kill -0 "$app_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# Waits until no visible window of that size is left.
wait_gone() {
  local w=$1 h=$2 id found
  for _ in $(seq 300); do
    found=""
    for id in $(xdotool search --onlyvisible --name '^Darvell$' 2>/dev/null || true); do
      eval "$(xdotool getwindowgeometry --shell "$id")"
      [ "$WIDTH" = "$w" ] && [ "$HEIGHT" = "$h" ] && found=1
    done
    [ -z "$found" ] && return 0
    sleep 0.1
  done
  return 1
}

# Clicks the middle of a control given in dialog units (x y w h) of window id.
click_control() {
  local id=$1 x=$2 y=$3 w=$4 h=$5
  eval "$(xdotool getwindowgeometry --shell "$id")"
  local px=$((X + $(dx "$x") + ($(dx $((x + w))) - $(dx "$x")) / 2))
  local py=$((Y + $(dy "$y") + ($(dy $((y + h))) - $(dy "$y")) / 2))
  xdotool mousemove --sync "$px" "$py" click 1
}

# Screenshot of the main window (it sits at the top left of the screen).
shoot() {
  import -display "$DISPLAY" -window root -crop 1024x768+0+0 +repage "$shots/$1.png"
}

# Pixels of exactly the colour inside geometry WxH+X+Y.
count_colour() {
  convert "$1" -crop "$2" +repage -fill black +opaque "$3" -fill white -opaque "$3" \
    -format '%[fx:round(mean*w*h)]' info:
}

# Number of differing pixels of two images, optionally inside a geometry only.
diff_pixels() {
  local a=$1 b=$2 geom=${3:-}
  if [ -n "$geom" ]; then
    convert "$a" -crop "$geom" +repage "$work/da.png"
    convert "$b" -crop "$geom" +repage "$work/db.png"
    a="$work/da.png" b="$work/db.png"
  fi
  compare -metric AE "$a" "$b" null: 2>&1 || true
}

# Number of differing pixels outside the picture rectangle.
diff_outside_picture() {
  convert "$1" -fill black -draw "rectangle $pic_l,$pic_t $((pic_r - 1)),$((pic_b - 1))" "$work/oa.png"
  convert "$2" -fill black -draw "rectangle $pic_l,$pic_t $((pic_r - 1)),$((pic_b - 1))" "$work/ob.png"
  diff_pixels "$work/oa.png" "$work/ob.png"
}

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
xdotool mousemove --sync $((X + 700)) $((Y + 40)) click 1 # background: the window has the keyboard
no_save_dialog || fail "Ctrl+S opened the save dialog without a result"

step "choosing 1 Unit"
click_control "$main" 198 30 78 30
sleep 0.3
shoot 02-one-unit
# The Sub Sensor rows are gone: the Sub Sensor 1 emitter button's place is background.
sub1=$(geom_of 102 138 78 30)
px=$(convert "$shots/02-one-unit.png" -crop "$sub1" +repage -format '%[fx:round(w*h)]' info:)
[ "$(count_colour "$shots/02-one-unit.png" "$sub1" "$green")" = "$px" ] ||
  fail "Sub Sensor 1 emitter button still shown with one unit"

step "pressing the Main Sensor emitter button"
click_control "$main" 102 189 78 30
picker=$(wait_window "$(dx 300)" "$(dy 331)") || fail "the picker did not appear"
sleep 0.3
import -display "$DISPLAY" -window root "$shots/03-picker.png"
step "picking 'No error code'"
click_control "$picker" 15 48 78 30
wait_gone "$(dx 300)" "$(dy 331)" || fail "the picker did not close"
sleep 0.4
shoot 04-results-page1

# The result area: white count and page boxes with dark text, the cause in the text box.
for g in "$page_geom" "$count_geom"; do
  total=$(convert "$shots/04-results-page1.png" -crop "$g" +repage -format '%[fx:round(w*h)]' info:)
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

step "DOWN to page 2 (the first cause is the healthy picture itself; the second blinks)"
click_control "$main" 366 255 45 30
sleep 0.3
shoot 05-results-page2
[ "$(diff_pixels "$shots/04-results-page1.png" "$shots/05-results-page2.png" "$page_geom")" -gt 0 ] ||
  fail "page label did not change on DOWN"

step "checking the blink: two shots about 500 ms apart"
blinked=""
for attempt in 1 2 3 4 5; do
  shoot "06-blink-${attempt}a"
  sleep 0.5
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
dialog=""
for _ in $(seq 100); do
  dialog=$(xdotool search --onlyvisible --name "$save_title" 2>/dev/null | head -n1 || true)
  [ -n "$dialog" ] && break
  sleep 0.1
done
[ -n "$dialog" ] || fail "Ctrl+S opened no save dialog after the diagnosis"
sleep 0.5
import -display "$DISPLAY" -window root "$shots/09-save-dialog.png"
# The file name field has the focus with the suggested name selected.
report="$work/reports/e2e-report.pdf"
xdotool key ctrl+a
xdotool type --delay 20 "$report"
xdotool key Return
for _ in $(seq 100); do
  [ -s "$report" ] && break
  sleep 0.1
done
[ -s "$report" ] || fail "no PDF at $report after the save"
if command -v pdftotext >/dev/null; then
  pdftotext "$report" - | grep -q "Possible cause 4 / 4" || fail "the saved PDF does not list cause 4 / 4"
fi
[ -z "$(ls -A "$work/reports" | grep -v '^e2e-report.pdf$')" ] || fail "the save left other files behind"
step "saved $(stat -c %s "$report") bytes of PDF"

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
total=$(convert "$shots/08-cleared-a.png" -crop "$page_geom" +repage -format '%[fx:round(w*h)]' info:)
[ "$(count_colour "$shots/08-cleared-a.png" "$page_geom" "$green")" = "$total" ] ||
  fail "page label still shown after CLEAR"
no_save_dialog || fail "Ctrl+S opened the save dialog after CLEAR"

# Peak resident memory of the whole run so far (a sanitizer build is far larger).
if [ -r "/proc/$app_pid/status" ]; then
  step "peak resident memory of the program: $(awk '/^VmHWM/ {print $2, $3}' "/proc/$app_pid/status")"
fi

step "EXIT"
click_control "$main" 420 372 78 30
status=""
for _ in $(seq 100); do
  if ! kill -0 "$app_pid" 2>/dev/null; then
    wait "$app_pid" && status=0 || status=$?
    app_pid=""
    break
  fi
  sleep 0.1
done
[ -n "$status" ] || fail "the program did not end after EXIT"
[ "$status" = 0 ] || fail "the program ended with status $status"
step "PASS (screenshots in $shots)"
