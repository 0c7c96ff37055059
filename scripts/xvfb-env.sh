# Sourced by the end-to-end scripts: an X server for the run and the
# environment the program runs in there.
#   darvell_start_xvfb WORK SRC [SCREEN]   (sets xvfb_pid; exports DISPLAY and the rest)
#   darvell_end WORK PID...                (on exit: ends the processes, removes WORK)
# SCREEN is WIDTHxHEIGHT, 1280x1024 unless given. Where DARVELL_XVFB_DIR names
# a running server of that screen size (tests/scripts/xvfb-fixture.sh starts one
# that several tests share), the run uses it and xvfb_pid stays empty;
# otherwise the run starts a private one.
darvell_start_xvfb() {
  local work=$1 src=$2 screen=${3:-1280x1024} shared=${DARVELL_XVFB_DIR:-}
  xvfb_pid=""
  if [ -n "$shared" ] && [ "$(cat "$shared/screen" 2>/dev/null)" = "$screen" ] &&
    kill -0 "$(cut -d' ' -f1 "$shared/pid" 2>/dev/null)" 2>/dev/null; then
    export DISPLAY=":$(head -n1 "$shared/display")"
    # The pointer where a fresh server has it: no hover left from an earlier run.
    xdotool mousemove --sync $((${screen%x*} / 2)) $((${screen#*x} / 2)) 2>/dev/null || true
  else
    rm -f "$work/display"
    # -displayfd: Xvfb takes a free display number and reports it. -noreset: an
    # X server resets when its last client leaves, and the program connecting
    # in that moment (while a probe disconnects) would find no server.
    Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
      [ -s "$work/display" ] && break
      sleep 0.1
    done
    [ -s "$work/display" ] || { echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2; return 1; }
    export DISPLAY=":$(head -n1 "$work/display")"
  fi
  # A private runtime directory, so the instance lock meets no other copy.
  mkdir -p "$work/runtime"
  chmod 700 "$work/runtime"
  export XDG_RUNTIME_DIR="$work/runtime"
  export QT_QPA_PLATFORM=xcb
  unset LC_ALL
  export LANG=en_US.UTF-8
  # Sanitizer builds: Qt and fontconfig keep caches to the end of the process.
  export LSAN_OPTIONS="suppressions=$src/tests/lsan.supp:print_suppressions=0"
}

# Ends the given processes (empty ids are skipped), waits for them and removes
# the work folder.
darvell_end() {
  local work=$1 pid
  shift
  for pid in "$@"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  done
  for pid in "$@"; do
    [ -n "$pid" ] && wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
