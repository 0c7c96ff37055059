#!/usr/bin/env bash
# An X server that several end-to-end tests of one screen size share: CTest
# starts it once before the first of them and ends it after the last.
#   xvfb-fixture.sh start DIR SCREEN   (DIR/display, DIR/screen, DIR/pid; SCREEN is WIDTHxHEIGHT)
#   xvfb-fixture.sh stop DIR
# The tests find it through DARVELL_XVFB_DIR=DIR (scripts/xvfb-env.sh).
set -euo pipefail
dir=${2:?usage: $0 start|stop DIR [SCREEN]}

# The start time of a process, which tells it from a later one of the same id.
started() { awk '{ print $22 }' "/proc/$1/stat" 2>/dev/null || true; }

# Ends the server this folder records, if that process still runs, and removes
# the folder.
stop() {
  local pid since
  read -r pid since <"$dir/pid" 2>/dev/null || true
  if [ -n "${pid:-}" ] && [ "$(started "$pid")" = "$since" ]; then
    kill "$pid"
    timeout 10 tail --pid="$pid" -f /dev/null || true
  fi
  rm -rf "$dir"
}

case $1 in
start)
  screen=${3:?usage: $0 start DIR SCREEN}
  stop # a server left by an interrupted run
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  echo "$screen" >"$dir/screen"
  # In a session of its own, its output to files: the test ends here, the server
  # runs on. -noreset: as in xvfb-env.sh, and the tests leave no client behind.
  setsid Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset \
    3>"$dir/display" </dev/null >/dev/null 2>"$dir/xvfb.log" &
  echo "$! $(started $!)" >"$dir/pid"
  for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    sleep 0.1
  done
  [ -s "$dir/display" ] || { echo "Xvfb did not start: $(cat "$dir/xvfb.log")" >&2; exit 1; }
  # Ready once it answers a client.
  timeout 10 sh -c 'until xdpyinfo -display ":$1" >/dev/null 2>&1; do sleep 0.1; done' - "$(head -n1 "$dir/display")" ||
    { echo "Xvfb does not answer: $(cat "$dir/xvfb.log")" >&2; exit 1; }
  echo "Xvfb $screen on :$(head -n1 "$dir/display") (pid $(cut -d' ' -f1 "$dir/pid"))"
  ;;
stop) stop ;;
*) echo "usage: $0 start|stop DIR [SCREEN]" >&2; exit 2 ;;
esac
