#!/usr/bin/env bash
# Two copies of the real program, one after the other, each with its own
# program folder and home, share their history through a team server (the
# database tc_e2e of tests/team/team-connect-setup.sh): the first, as tc_tech,
# makes a diagnosis and its history window says the team is up to date; once
# it has ended, the second, as tc_tech2, lists that diagnosis in its history
# window, marked as tc_tech's from the first computer. The windows are read by
# OCR; screenshots are left in BUILD_DIR/e2e-team-shots.
# Usage: scripts/e2e-team.sh BUILD_DIR SERVER_DIR   (SERVER_DIR: scripts/team-server.sh's)
set -euo pipefail

build=$(cd "${1:?usage: $0 BUILD_DIR SERVER_DIR}" && pwd)
server=$(cd "${2:?usage: $0 BUILD_DIR SERVER_DIR}" && pwd)
# shellcheck source=scripts/e2e-lib.sh
source "$(dirname "$0")/e2e-lib.sh"
shots="$build/e2e-team-shots"
need_tools Xvfb xdotool import convert tesseract sqlite3
[ -f "$build/darvell_team.so" ] || fail "no team module at $build/darvell_team.so"
# psql as the server's superuser (scripts/team-server.sh's env).
on_server() { (source "$server/env" && psql -X -qtA -d tc_e2e -c "$1"); }
port=$(source "$server/env" && echo "$PGPORT")
rm -rf "$shots"
mkdir -p "$shots"
darvell_start_xvfb "$work" "$src" || fail "no X server"

# Copy N as USER: its program folder work/N, its home work/N/home with
# Team.ini and the password file (ESCAPED: the password as that file writes it).
copy=""
start_copy() { # N USER ESCAPED
  local home="$work/$1/home"
  copy_program "$build"
  cp "$build/darvell_team.so" "$work/bin/"
  mv "$work/bin" "$work/$1"
  mkdir -p "$home/.config/Darvell" "$home/.local/share"
  printf '[Team]\nHost=127.0.0.1\nPort=%s\nDatabase=tc_e2e\nUser=%s\nSslMode=verify-full\nSslRootCert=%s\n' \
    "$port" "$2" "$server/ca.crt" >"$home/.config/Darvell/Team.ini"
  (umask 077 && printf '127.0.0.1:%s:tc_e2e:%s:%s\n' "$port" "$2" "$3" >"$home/.config/Darvell/pgpass")
  step "copy $1 as $2"
  copy=$1
  HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share "$work/$1/darvell" >"$work/app.log" 2>&1 &
  app_pid=$!
  local settings
  settings=$(wait_window 1024 768) || fail "copy $1: the settings screen did not appear"
  click_control "$settings" 198 345 111 48
  main=$(wait_window 1024 768 "$settings") || fail "copy $1: the main window did not appear after OK"
  sleep 0.5 # a click the moment the window maps may find it not yet taking input
}
# Opens the history window, types FILTER into its filter box (which has the
# keyboard) and waits up to 30 s until its text (OCR) matches every REGEX
# given; leaves it as shots/copyN-history.png.
history_shows() { # FILTER REGEX...
  local text="" re ok
  click_background "$main"
  xdotool key ctrl+h
  history=$(wait_named '^Diagnosis history$') || fail "copy $copy: Ctrl+H opened no history window"
  sleep 0.5
  xdotool type --delay 20 "$1"
  shift
  for _ in $(seq 30); do
    sleep 1
    import -window "$history" "$shots/copy$copy-history.png"
    convert "$shots/copy$copy-history.png" -colorspace Gray -resize 200% "$work/history.png"
    text=$(tesseract "$work/history.png" - --psm 6 2>/dev/null | tr '\n' ' ')
    ok=1
    for re in "$@"; do grep -qE "$re" <<<"$text" || ok=""; done
    [ -n "$ok" ] && return 0
  done
  fail "copy $copy: the history window does not show '$*'; it reads: $text"
}
end_copy() { # Close, then EXIT: both in the same place of their windows
  click_control "$history" 420 372 78 30
  gone "$history" || fail "copy $copy: the history window did not close"
  click_control "$main" 420 372 78 30
  app_ends "EXIT of copy $copy"
}

start_copy 1 tc_tech 'te\:ch\\pw'
step "1 Unit, Main Sensor emitter, 'No error code'"
click_control "$main" 198 30 78 30
sleep 0.3
click_control "$main" 102 189 78 30
picker=$(wait_window "$(dx 300)" "$(dy 331)") || fail "the picker did not appear"
sleep 0.3
click_control "$picker" 15 48 78 30
wait_gone "$(dx 300)" "$(dy 331)" || fail "the picker did not close"
n=0
until [ "$(on_server "SELECT count(*) FROM record WHERE author = 'tc_tech'")" = 1 ]; do
  [ $((n += 1)) -lt 100 ] || { import -window root "$shots/copy1-not-sent.png"
    fail "copy 1: the diagnosis did not reach the server in 20 s"; }
  sleep 0.2
done
history_shows "" 'Team history: up to date'
step "copy 1: the server holds the diagnosis, the team is up to date"
end_copy

start_copy 2 tc_tech2 second
# The From column is too narrow for the whole name: the filter matches it.
history_shows "tc_tech@$(hostname)" 'No error code .*tc_tech' 'Team history: up to date'
step "copy 2 lists the diagnosis from tc_tech@$(hostname)"
end_copy
ids() { sqlite3 -readonly "$work/$1/QL7_Tool/History.sqlite" 'SELECT id, author FROM record'; }
[[ "$(ids 1)" == *"|tc_tech" && "$(ids 1)" == "$(ids 2)" ]] ||
  fail "the copies do not hold the one record of tc_tech: $(ids 1) / $(ids 2)"
step "PASS (screenshots in $shots)"
