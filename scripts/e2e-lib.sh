# shellcheck shell=bash
# Sourced by the end-to-end scripts: their messages, and finding, clicking and
# comparing the program's windows with xdotool and ImageMagick. Sets src (the
# source tree) and work (a scratch folder, removed on exit with the program
# app_pid, the window manager wm_pid and the X server xvfb_pid ended; a script's
# own e2e_cleanup runs first). The callers set app_pid (the program, once known;
# waits stop when it ends), shots (the screenshots' folder; none are taken while
# it is empty) and shot_crop (WxH+X+Y, crops every screenshot).
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
xvfb_pid="" wm_pid="" app_pid=""
# shellcheck source=scripts/xvfb-env.sh
source "$src/scripts/xvfb-env.sh"
bus_pid=""
trap 'if declare -F e2e_cleanup >/dev/null; then e2e_cleanup; fi; darvell_end "$work" "$app_pid" "$wm_pid" "$xvfb_pid"
      [ -z "$bus_pid" ] || kill "$bus_pid" 2>/dev/null || true' EXIT
# A session bus of the run's own, as a desktop has one: without any, the
# program's accessibility bridge makes D-Bus launch one through the X server
# at start, which now and then takes longer than a window wait.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  { read -r DBUS_SESSION_BUS_ADDRESS && read -r bus_pid; } < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
  export DBUS_SESSION_BUS_ADDRESS
fi

# Messages start with the script's name.
e2e_name=$(basename "$0" .sh)
step() { echo "$e2e_name: $*"; }
# Ends the run with the reason, where the screenshots are and the program's
# last words (work/app.log).
fail() {
  echo "$e2e_name: FAIL: $*" >&2
  [ -n "${shots:-}" ] && [ -d "$shots" ] && echo "$e2e_name: screenshots in $shots" >&2
  [ -s "${work:-}/app.log" ] && { echo "--- program output" >&2; tail -n 30 "$work/app.log" >&2; }
  exit 1
}

# Sets X, Y, WIDTH and HEIGHT to a window's client area on the screen. (xdotool
# counts the frame's offset twice under a reparenting window manager.)
geometry() {
  eval "$(LC_ALL=C xwininfo -id "$1" | awk -F: '/Absolute upper-left X/ { print "X=" $2 + 0 }
    /Absolute upper-left Y/ { print "Y=" $2 + 0 } /^ *Width/ { print "WIDTH=" $2 + 0 }
    /^ *Height/ { print "HEIGHT=" $2 + 0 }')"
}

# Dialog units to pixels, the program's one conversion.
dx() { echo $(($1 * 2)); }
dy() { echo $(($1 * 7 / 4)); }

# Window id of a visible "Darvell" window of the given client size, other than
# the window id given third; waits up to 30 s.
wait_window() { wait_for sized "$1" "$2" "${3:-}"; }
sized() { # W H NOT ID
  [ "$4" != "$3" ] || return 1
  eval "$(xdotool getwindowgeometry --shell "$4")"
  [ "$WIDTH" = "$1" ] && [ "$HEIGHT" = "$2" ]
}
# Id of the first visible "Darvell" window for which TEST... ID succeeds; waits
# up to 30 s and fails at once when the program (app_pid) has ended.
wait_for() {
  local id
  for _ in $(seq 300); do
    for id in $(xdotool search --onlyvisible --name '^Darvell$' 2>/dev/null || true); do
      if "$@" "$id"; then
        echo "$id"
        return 0
      fi
    done
    [ -z "${app_pid:-}" ] || kill -0 "$app_pid" 2>/dev/null || return 1
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
  geometry "$id"
  local px=$((X + $(dx "$x") + ($(dx $((x + w))) - $(dx "$x")) / 2))
  local py=$((Y + $(dy "$y") + ($(dy $((y + h))) - $(dy "$y")) / 2))
  xdotool mousemove --sync "$px" "$py" click 1
}

# Waits up to SECONDS (10) for process PID to end.
ended() { timeout "${2:-10}" tail --pid="$1" -f /dev/null; }
# Waits for the program, a child of this shell, to end with status 0 after WHAT.
app_ends() { # WHAT
  ended "$app_pid" || fail "the program did not end after $1"
  wait "$app_pid" || fail "the program ended with status $? after $1"
  app_pid=""
}

# What KEYS copy to the clipboard, emptied first (xclip -i stays to serve the
# empty clipboard: its output must not hold a caller's $(...) open).
copied_by() { # KEYS...
  printf '' | xclip -i -selection clipboard >/dev/null 2>&1
  xdotool key "$@"
  sleep 0.3
  timeout 5 xclip -o -selection clipboard 2>/dev/null || true
}
# Clicks the background of window id, which gives the window the keyboard.
click_background() { geometry "$1"; xdotool mousemove --sync $((X + 700)) $((Y + 40)) click 1; }

# Screenshot of the screen as shots/NAME.png, cropped to shot_crop when set.
shoot() { # NAME
  [ -n "${shots:-}" ] || return 0
  mkdir -p "$shots"
  import -display "$DISPLAY" -window root ${shot_crop:+-crop "$shot_crop" +repage} "$shots/$1.png"
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

# Device pixels per template pixel of a full-size window W x H at desktop scale S.
scale_of() { awk -v w="$1" -v h="$2" -v s="$3" 'BEGIN { k = s; if (w / 1014 < k) k = w / 1014; if (h / 726 < k) k = h / 726; print k }'; }
# Clicks the middle of a control (dialog units) of window id at scale k.
click_scaled() {
  local id=$1 k=$2 x=$3 y=$4 w=$5 h=$6
  geometry "$id"
  local px py
  px=$(awk -v X="$X" -v k="$k" -v a="$(dx "$x")" -v b="$(dx $((x + w)))" 'BEGIN { printf "%d", X + (a + b) / 2 * k }')
  py=$(awk -v Y="$Y" -v k="$k" -v a="$(dy "$y")" -v b="$(dy $((y + h)))" 'BEGIN { printf "%d", Y + (a + b) / 2 * k }')
  xdotool mousemove --sync "$px" "$py" click 1
}
# Id of a visible "Darvell" window other than the ids given; waits up to 30 s.
wait_other() { wait_for not_one_of "$@"; }
not_one_of() { # NOT... ID
  local id=${!#} n
  for n in "${@:1:$#-1}"; do [ "$id" = "$n" ] && return 1; done
  return 0
}
# Waits up to 30 s until window id is closed or no longer shown, whatever its name.
gone() {
  for _ in $(seq 300); do
    LC_ALL=C xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable' || return 0
    sleep 0.1
  done
  return 1
}

# Id of the first visible window whose name matches REGEX; waits up to 10 s.
wait_named() {
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Starts openbox on DISPLAY with a private configuration folder under WORK (so
# the user's own openbox settings play no part) and waits until it manages the
# screen; sets wm_pid.
start_openbox() { # WORK
  XDG_CONFIG_HOME="$1/config" openbox --sm-disable >"$1/openbox.log" 2>&1 &
  wm_pid=$!
  timeout 10 sh -c 'until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do sleep 0.1; done'
}

# Ends the run unless every tool named is installed.
need_tools() { # TOOL...
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/deps.sh lists it)"
  done
}

# A copy of the build's program and data directory in work/bin, with English
# settings and no history.
copy_program() { # BUILD
  [ -x "$1/darvell" ] || fail "no program at $1/darvell"
  [ -d "$1/QL7_Tool" ] || fail "no sample data directory at $1/QL7_Tool"
  mkdir -p "$work/bin"
  cp "$1/darvell" "$work/bin/"
  cp -r "$1/QL7_Tool" "$work/bin/"
  rm -f "$work/bin/QL7_Tool/History.csv" "$work/bin/QL7_Tool/History.sqlite"*
  printf '[Setting]\r\nLanguage=1\r\nType=0\r\nDialogHeight=0\r\n' >"$work/bin/QL7_Tool/Setting.ini"
}
