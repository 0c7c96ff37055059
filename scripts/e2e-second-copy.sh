#!/usr/bin/env bash
# Starts the real program twice on a private X server. The second copy must
# show the "already open" message in English, end with status 1 once OK is
# pressed, and leave the first copy running on its settings screen.
# Usage: scripts/e2e-second-copy.sh BUILD_DIR   (exits non-zero on failure)
set -euo pipefail

build=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
# shellcheck source=scripts/e2e-lib.sh
source "$(dirname "$0")/e2e-lib.sh"
second_pid=""
e2e_cleanup() { [ -z "$second_pid" ] || kill "$second_pid" 2>/dev/null || true; }
need_tools Xvfb xdotool import convert tesseract
copy_program "$build"
data="$work/bin/QL7_Tool"

# The guard under test, not the data, is the point here: stand in for data
# files the build has not produced.
for f in QL7BE.ini QL7BJ.ini; do
  if [ ! -f "$data/$f" ]; then
    step "note: sample $f missing, using a stand-in"
    printf '[3LINEE1]\r\nca=cause\r\nre=remedy\r\n' > "$data/$f"
  fi
done
tiles="h00 h01 h02 h03 ha0 ha1 m00 m01 m02 m03 m04 m05 m06 m07 m08 m09 m10 m11 m12
       a00 a01 a02 a03 b00 m13 m14 m15 m16 a04 a05 b01 b02 b03"
for f in $tiles Orvane_logo ql7a_led ql7b_7seg QL7-A_pic QL7B_pic ql7b-e ql7b-r; do
  if [ ! -f "$data/$f.bmp" ]; then
    step "note: sample $f.bmp missing, using a stand-in"
    convert -size 40x40 xc:'#3060c0' "BMP3:$data/$f.bmp"
  fi
done

darvell_start_xvfb "$work" "$src" || fail "no X server"
step "display $DISPLAY"

visible_darvell_windows() {
  xdotool search --onlyvisible --name '^Darvell$' 2>/dev/null | sort || true
}

"$work/bin/darvell" >"$work/first.log" 2>&1 &
first_pid=$! app_pid=$!
first_win=$(timeout 60 xdotool search --sync --onlyvisible --name '^Darvell$' | head -n1) \
  || fail "the first copy showed no window: $(cat "$work/first.log")"
kill -0 "$first_pid" 2>/dev/null || fail "the first copy ended early"
first_geom=$(xdotool getwindowgeometry "$first_win" | sed -n 's/.*Geometry: //p')
step "first copy: window $first_win, $first_geom"
[ "$first_geom" = "1024x768" ] || fail "the first window is $first_geom, not the settings screen's 1024x768"
xdotool windowfocus --sync "$first_win" 2>/dev/null || xdotool windowfocus "$first_win"
sleep 0.3
import -window "$first_win" "$work/first-before.png"

"$work/bin/darvell" >"$work/second.log" 2>&1 &
second_pid=$!
second_win=""
for _ in $(seq 600); do
  second_win=$(visible_darvell_windows | grep -vx "$first_win" | head -n1 || true)
  [ -n "$second_win" ] && break
  kill -0 "$second_pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$second_win" ] || fail "the second copy showed no window: $(cat "$work/second.log")"
sleep 0.5 # let it paint
geom=$(xdotool getwindowgeometry "$second_win" | sed -n 's/.*Geometry: //p')
step "second copy: window $second_win, $geom"
[ "$geom" = "390x201" ] || fail "the second window is $geom, not the message box's 390x201"

# Read the box: its text, enlarged for the OCR engine, then the white-on-black
# caption inside the OK button (inside its focus frame; the box size is fixed).
import -window "$second_win" "$work/message.png"
convert "$work/message.png" -crop 390x110+0+0 +repage -colorspace Gray -resize 400% "$work/message-text.png"
text=$(tesseract "$work/message-text.png" - --psm 6 2>/dev/null | tr '\n' ' ')
step "message box reads: $text"
squeezed=$(printf '%s' "$text" | tr -d ' ' | tr 'A-Z' 'a-z')
[ "$squeezed" = "darvellisopen,already." ] || fail "the box does not show \"Darvell is open, already.\""
convert "$work/message.png" -crop 110x26+143+143 +repage -colorspace Gray -negate -threshold 50% \
  -bordercolor white -border 20 -resize 300% "$work/message-ok.png"
button=$(tesseract "$work/message-ok.png" - --psm 7 2>/dev/null | tr -d ' \n')
step "its button reads: $button"
[ "$button" = "OK" ] || fail "no OK button seen on the box"

# Enter on the focused OK closes it.
xdotool windowfocus --sync "$second_win" 2>/dev/null || xdotool windowfocus "$second_win"
sleep 0.2
xdotool key Return
ended "$second_pid" || fail "the second copy did not end after Return"
status=0
wait "$second_pid" || status=$?
second_pid=""
step "second copy ended with status $status"
[ "$status" -eq 1 ] || fail "the second copy ended with status $status, not 1: $(cat "$work/second.log")"

# The first copy is still there, its window unchanged.
kill -0 "$first_pid" 2>/dev/null || fail "the first copy has ended"
[ "$(visible_darvell_windows)" = "$first_win" ] || fail "windows left: $(visible_darvell_windows)"
# Without a window manager nobody hands the focus back; with it back, the
# screen must look exactly as before (focus frame included).
xdotool windowfocus --sync "$first_win" 2>/dev/null || xdotool windowfocus "$first_win"
sleep 0.3
import -window "$first_win" "$work/first-after.png"
changed=$(compare -metric AE "$work/first-before.png" "$work/first-after.png" null: 2>&1 || true)
[ "$changed" = "0" ] || fail "the first copy's screen changed ($changed pixels)"
printf '[Setting]\r\nLanguage=1\r\nType=0\r\nDialogHeight=0\r\n' | cmp -s - "$data/Setting.ini" \
  || fail "Setting.ini was changed"

step "PASS"
