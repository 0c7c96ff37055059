#!/usr/bin/env bash
# Double clicks as a hurried user makes them, under a real window manager
# (openbox) on a private 1280 x 1024 X server: the second click of each lands
# on a window that the first one opened, closed or uncovered, and must do
# nothing there.
#   - on an entry button (60 ms and 180 ms between the clicks): the picker
#     opens and stays open, no code picked, nothing recorded;
#   - on a code of the three-unit picker: the code is entered, the next unit's
#     entry button beneath gets nothing (no second picker);
#   - on the history window's Close: the program goes on (EXIT lies beneath);
#   - on the history window's Open: the record is shown and stays (CLEAR lies
#     beneath).
# Each case then proves with a single deliberate click at the same point that
# the control beneath would have acted. Screenshots in BUILD_DIR/e2e-click-shots.
# Usage: scripts/e2e-click-through.sh BUILD_DIR   (exits non-zero on failure)
set -euo pipefail

build=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
# shellcheck source=scripts/e2e-lib.sh
source "$(dirname "$0")/e2e-lib.sh"
shots="$build/e2e-click-shots"
need_tools Xvfb openbox xdotool xclip xprop xwininfo import sqlite3
rm -rf "$shots"
copy_program "$build"
history_file=$work/bin/QL7_Tool/History.sqlite

darvell_start_xvfb "$work" "$src" 1280x1024 || fail "no X server"
start_openbox "$work" || fail "openbox did not start"

# Past the double-click interval (Qt's 400 ms on X11): what follows is a new click.
pause() { sleep 0.8; }
records() { sqlite3 -readonly "$history_file" 'SELECT count(*) FROM record' 2>/dev/null || echo 0; }
# Whether the main window shows a result: Ctrl+Shift+C copies its report then.
result_shown() { [[ "$(copied_by ctrl+shift+c)" == *"Possible cause 1 / "* ]]; }
# Screen rectangle "L T R B" of a control (dialog units x y w h) of window id.
rect() {
  geometry "$1"
  echo "$((X + $(dx "$2"))) $((Y + $(dy "$3"))) $((X + $(dx $(($2 + $4))))) $((Y + $(dy $(($3 + $5)))))"
}
# The middle of the largest overlap of rectangle A with one of the picker's
# code buttons (14, two columns): "X Y", where the second click of a double
# click on A would pick that code (or A lies where a code is clicked).
on_a_code() { # PICKER "L T R B"
  local codes="" i
  for i in $(seq 0 6); do
    codes+="$(rect "$1" 15 $((48 + 40 * i)) 78 30);$(rect "$1" 100 $((48 + 40 * i)) 78 30);"
  done
  awk -v a="$2" -v codes="$codes" 'BEGIN {
    split(a, r, " "); n = split(codes, c, ";"); best = 0
    for (i = 1; i <= n; i++) {
      if (split(c[i], q, " ") < 4) continue
      l = r[1] > q[1] ? r[1] : q[1]; t = r[2] > q[2] ? r[2] : q[2]
      rr = r[3] < q[3] ? r[3] : q[3]; b = r[4] < q[4] ? r[4] : q[4]
      if (rr - l > 8 && b - t > 8 && (rr - l) * (b - t) > best) {
        best = (rr - l) * (b - t); x = int((l + rr) / 2); y = int((t + b) / 2)
      }
    }
    if (best == 0) exit 1
    print x, y
  }'
}
double_click() { # X Y MS
  xdotool mousemove --sync "$1" "$2" click --repeat 2 --delay "$3" 1
}
click_control_double() { # ID x y w h MS: the middle of a control
  geometry "$1"
  double_click $((X + ($(dx "$2") + $(dx $(($2 + $4)))) / 2)) $((Y + ($(dy "$3") + $(dy $(($3 + $5)))) / 2)) "$6"
}
cancel_picker() {
  click_control "$picker" 210 289 78 30
  gone "$picker" || fail "the picker did not close on Cancel"
  pause
}
only_main() { # no window of the program but the main one, after a pause
  pause
  [ "$(xdotool search --onlyvisible --name '^Darvell$' 2>/dev/null | grep -vcx "$main" || true)" = 0 ]
}

step "starting $work/bin/darvell under openbox"
"$work/bin/darvell" >"$work/app.log" 2>&1 &
app_pid=$!
settings=$(wait_other) || fail "the settings screen did not appear"
pause
click_control "$settings" 198 345 111 48
main=$(wait_other "$settings") || fail "the main window did not appear after OK"
pause
click_control "$main" 198 30 78 30 # 1 unit

# ---- a double click on an entry button ---------------------------------------

# Where the picker opens, to aim the double click at a point of the entry
# button that a code of the picker covers.
click_control "$main" 102 189 78 30
picker=$(wait_other "$main") || fail "the picker did not appear"
pause
read -r px py < <(on_a_code "$picker" "$(rect "$main" 102 189 78 30)") ||
  fail "no code of the picker lies over the Main Sensor emitter button"
cancel_picker
for ms in 60 180; do
  step "double click ($ms ms) on the entry button at $px,$py, where the picker's code opens"
  double_click "$px" "$py" "$ms"
  picker=$(wait_other "$main") || fail "the first click opened no picker"
  pause
  shoot "01-entry-double-click-$ms"
  [ -n "$(xdotool search --onlyvisible --name '^Darvell$' | grep -x "$picker")" ] ||
    fail "the second click ($ms ms) acted on the picker: it closed"
  [ "$(records)" = 0 ] || fail "the second click ($ms ms) picked a code: a diagnosis was recorded"
  cancel_picker
done
step "the same point clicked on purpose: opens the picker, then picks the code"
xdotool mousemove --sync "$px" "$py" click 1
picker=$(wait_other "$main") || fail "no picker"
pause
xdotool mousemove --sync "$px" "$py" click 1
gone "$picker" || fail "a deliberate click on the code did not pick it"
pause
[ "$(records)" = 1 ] && result_shown || fail "the code picked on purpose gave no result"
shoot 02-deliberate

# ---- the history window's Close and Open ---------------------------------------

open_history() {
  click_background "$main"
  pause
  xdotool key ctrl+h
  history=$(wait_named '^Diagnosis history$') || fail "Ctrl+H opened no history window"
  pause
  [ "$(rect "$history" 420 372 78 30)" = "$(rect "$main" 420 372 78 30)" ] ||
    fail "the history window does not lie over the main window"
}
step "double click on the history window's Close, over EXIT"
open_history
click_control_double "$history" 420 372 78 30 100
gone "$history" || fail "Close did not close the history window"
only_main || fail "a window other than the main one is open after Close"
kill -0 "$app_pid" 2>/dev/null || fail "the second click on Close ended the program through EXIT"
shoot 03-history-close
result_shown || fail "the result is gone after Close"

step "double click on the history window's Open, over CLEAR"
click_control "$main" 42 372 78 30 # CLEAR: the record must come back through Open
pause
! result_shown || fail "CLEAR did not clear"
open_history
click_control_double "$history" 42 372 78 30 100
gone "$history" || fail "Open did not close the history window"
pause
shoot 04-history-open
result_shown || fail "the record opened was cleared by the second click (CLEAR)"
[ "$(records)" = 1 ] || fail "opening a record recorded something"
step "the same point clicked on purpose clears"
click_control "$main" 42 372 78 30
pause
! result_shown || fail "a deliberate click on CLEAR did not clear"

# ---- a double click on a code of the three-unit picker ---------------------------

step "3 units: a double click on a code of the first picker, over the next unit's entry button"
click_control "$main" 18 30 78 30
pause
click_control "$main" 102 189 78 30
picker=$(wait_other "$main") || fail "the picker did not appear"
pause
read -r qx qy < <(on_a_code "$picker" "$(rect "$main" 102 138 78 30)") ||
  fail "no code of the picker lies over the first sub sensor's entry button"
double_click "$qx" "$qy" 60
gone "$picker" || fail "the first click did not pick the code"
only_main || fail "the second click opened the next unit's picker"
shoot 05-three-unit-double-click
step "the same point clicked on purpose: the next unit's picker"
xdotool mousemove --sync "$qx" "$qy" click 1
picker=$(wait_other "$main") || fail "a deliberate click on the next entry button opened no picker"
pause
cancel_picker

step "EXIT, clicked on purpose where Close was"
click_control "$main" 420 372 78 30
app_ends EXIT
step "PASS (screenshots in $shots)"
