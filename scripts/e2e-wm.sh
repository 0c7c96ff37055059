#!/usr/bin/env bash
# Runs the real program under a real window manager (openbox) on a private
# 1366 x 768 X server and drives the main flow: the settings screen, the main
# window, the picker, the save dialog and the conditions dialog. Every window,
# frame included, must lie inside the screen, the first one too, whose frame
# the program cannot know before it is shown. After each dialog closes, the
# keyboard must be back in the main window at once: Page Down pages and
# Ctrl+Shift+C copies the report without a click. Last, the main window is
# minimised and restored with its result intact, and EXIT ends the program.
# Screenshots are left in BUILD_DIR/e2e-wm-shots.
# Usage: scripts/e2e-wm.sh BUILD_DIR   (exits non-zero on failure)
set -euo pipefail

build=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
# shellcheck source=scripts/e2e-lib.sh
source "$(dirname "$0")/e2e-lib.sh"
shots="$build/e2e-wm-shots"
sw=1366 sh=768
need_tools Xvfb openbox xdotool xclip xprop xwininfo import
rm -rf "$shots"
mkdir -p "$work/reports"
copy_program "$build"

darvell_start_xvfb "$work" "$src" "${sw}x$sh" || fail "no X server"
start_openbox "$work" || fail "openbox did not start"

# The window with its frame lies inside the screen; the frame is the window
# manager's (a window without one would prove nothing here).
framed_inside() { # ID WHAT
  local l r t b
  read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ',')
  [ -n "${t:-}" ] && [ "$t" -gt 0 ] || fail "$2 has no window-manager frame"
  geometry "$1"
  local fx=$((X - l)) fy=$((Y - t)) fw=$((WIDTH + l + r)) fh=$((HEIGHT + t + b))
  [ "$fx" -ge 0 ] && [ "$fy" -ge 0 ] && [ $((fx + fw)) -le "$sw" ] && [ $((fy + fh)) -le "$sh" ] ||
    fail "$2 with its frame at ${fw}x${fh}+$fx+$fy does not fit the ${sw}x$sh screen"
  step "$2: ${fw}x${fh}+$fx+$fy with its frame, inside the screen"
}

# What the keyboard reaches in the main window right now, without a click.
page_text() { copied_by ctrl+c; } # the page shown (nothing is selected)
keyboard_in_main() { # AFTER: Page Down shows another page, Ctrl+Shift+C copies the report
  local before after
  [ "$(xdotool getactivewindow)" = "$main" ] || fail "after $1 the main window is not active"
  before=$(page_text)
  xdotool key Next
  sleep 0.3
  after=$(page_text)
  [ -n "$before" ] && [ "$before" != "$after" ] || fail "Page Down right after $1 did not page"
  [[ "$(copied_by ctrl+shift+c)" == *"Possible cause 1 / "* ]] || fail "Ctrl+Shift+C right after $1 did not copy the report"
  step "after $1: Page Down pages and Ctrl+Shift+C copies the report"
}

# ---- the run -----------------------------------------------------------------

step "starting $work/bin/darvell under openbox on a ${sw}x$sh screen"
"$work/bin/darvell" >"$work/app.log" 2>&1 &
app_pid=$!

settings=$(wait_other) || fail "the settings screen did not appear"
sleep 0.5
shoot 01-settings
framed_inside "$settings" "the settings screen"
geometry "$settings"
k=$(scale_of "$WIDTH" "$HEIGHT" 1)
click_scaled "$settings" "$k" 198 345 111 48

main=$(wait_other "$settings") || fail "the main window did not appear after OK"
sleep 0.5
shoot 02-main
framed_inside "$main" "the main window"
geometry "$main"
k=$(scale_of "$WIDTH" "$HEIGHT" 1)

step "1 Unit, Main Sensor emitter, 'No error code' in the picker"
click_scaled "$main" "$k" 198 30 78 30
click_scaled "$main" "$k" 102 189 78 30
picker=$(wait_other "$main" "$settings") || fail "the picker did not appear"
sleep 0.5
shoot 03-picker
framed_inside "$picker" "the picker"
click_scaled "$picker" "$k" 15 48 78 30
gone "$picker" || fail "the picker did not close"
sleep 0.3
keyboard_in_main "the picker"

step "Ctrl+S: the save dialog"
xdotool key ctrl+s
save=$(timeout 10 xdotool search --sync --onlyvisible --name '^Save report as PDF$' | head -n1 || true)
[ -n "$save" ] || fail "Ctrl+S opened no save dialog"
sleep 0.5
shoot 04-save
framed_inside "$save" "the save dialog"
xdotool key ctrl+a
xdotool type --delay 20 "$work/reports/wm.pdf"
xdotool key Return
timeout 10 sh -c 'until [ -s "$1" ]; do sleep 0.1; done' - "$work/reports/wm.pdf" || fail "the save dialog wrote no PDF"
sleep 0.3
keyboard_in_main "the save dialog"

step "the conditions dialog: both lamps lit (two causes stay), OK"
click_scaled "$main" "$k" 420 255 78 30
add=$(wait_other "$main" "$settings") || fail "the conditions dialog did not appear"
sleep 0.5
shoot 05-conditions
framed_inside "$add" "the conditions dialog"
click_scaled "$add" "$k" 99 48 78 30
click_scaled "$add" "$k" 99 150 78 30
click_scaled "$add" "$k" 183 243 78 30
gone "$add" || fail "the conditions dialog did not close"
sleep 0.3
keyboard_in_main "the conditions dialog"

step "minimising and restoring the main window"
result=$(page_text)
xdotool windowminimize "$main"
timeout 5 sh -c 'until xprop -id "$1" WM_STATE | grep -q Iconic; do sleep 0.1; done' - "$main" ||
  fail "the main window did not minimise"
shoot 06-minimised
xdotool windowactivate --sync "$main" 2>/dev/null
sleep 0.5
shoot 07-restored
xprop -id "$main" WM_STATE | grep -q 'Normal' || fail "the main window did not come back"
framed_inside "$main" "the restored main window"
[ "$(page_text)" = "$result" ] || fail "the restored main window does not show the page it showed"

step "EXIT"
geometry "$main"
click_scaled "$main" "$k" 420 372 78 30
app_ends EXIT
step "PASS (screenshots in $shots)"
