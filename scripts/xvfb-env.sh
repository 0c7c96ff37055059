# Sourced by the end-to-end scripts: starts a private X server and sets up the
# environment the program runs in there.
#   darvell_start_xvfb WORK SRC [SCREEN]   (sets xvfb_pid; exports DISPLAY and the rest)
#   darvell_end WORK PID...                (on exit: ends the processes, removes WORK)
# SCREEN is WIDTHxHEIGHT, 1280x1024 unless given.
darvell_start_xvfb() {
  local work=$1 src=$2 screen=${3:-1280x1024}
  rm -f "$work/display"
  # -displayfd: Xvfb takes a free display number and reports it.
  Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  [ -s "$work/display" ] || { echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2; return 1; }
  export DISPLAY=":$(head -n1 "$work/display")"
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
