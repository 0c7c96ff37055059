#!/usr/bin/env bash
# Proves the Windows folder under Wine, on a private X server with a window
# manager: unpacks the zip into a folder whose path holds a space and a
# non-ASCII letter and drives darvell.exe: the 1024 x 768 settings screen, the
# language switch writing only "Language" into Setting.ini, a one-unit diagnosis showing
# "1 / 4" and after Page Down "2 / 4", Ctrl+S saving a PDF whose cause text
# pdftotext reads back (in Chinese, then in English), a second copy refused with
# the "already open" message, both diagnoses in QL7_Tool\History.sqlite, and
# darvell-check.exe finding the data clean.
# With libpq in the zip, the program syncs with a private PostgreSQL server on
# 127.0.0.1 (scripts/team-server.sh): Team.ini (verify-full, the server's test
# authority in a folder with non-ASCII letters) and pgpass in the Wine user's
# %APPDATA%\Darvell as the team dialog writes them; the Chinese diagnosis, with
# History.sqlite's id, author and laptop, is on the server within a minute, and
# the program's connection is TLS 1.3. Given PROBE_EXE (tools/pqprobe), the
# zip's libpq beside darvell.exe must refuse that server with another
# authority's certificate or a host name the certificate does not name.
# Screenshots are left in BUILD_DIR/e2e-windows-shots.
# Usage: scripts/e2e-windows.sh ZIP [BUILD_DIR [PROBE_EXE]]   (BUILD_DIR: build/windows)
set -euo pipefail

zip=$(readlink -f "${1:?usage: $0 ZIP [BUILD_DIR]}")
# shellcheck source=scripts/e2e-lib.sh
source "$(dirname "$0")/e2e-lib.sh"
source "$src/scripts/windows-env.sh"
build=$(mkdir -p "${2:-$src/build/windows}" && cd "${2:-$src/build/windows}" && pwd)
shots=$build/e2e-windows-shots
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
team=""
e2e_cleanup() {
  WINEPREFIX=$work/wine wineserver -k 2>/dev/null || true
  [ -z "$team" ] || "$src/scripts/team-server.sh" stop "$team" || true
}
rm -rf "$shots"
dest="$work/Darvell Prüfung é"
mkdir -p "$dest"
unzip -q "$zip" -d "$dest"
app=$(find "$dest" -mindepth 1 -maxdepth 1 -type d -name 'Darvell-*')
for f in darvell.exe server/darvell-team.sql; do [ -f "$app/$f" ] || fail "no $f in $zip"; done

darvell_start_xvfb "$work" "$src" 1280x1024 || fail "no X server"
unset QT_QPA_PLATFORM # Qt for Windows has its own platform plugin only
# Wine reads the folder's UTF-8 name through the locale: one that every system has.
export LANG=C.UTF-8
start_openbox "$work" || fail "openbox did not start"
step "making a Wine prefix"
wineboot -i >"$work/wineboot.log" 2>&1 || fail "wineboot failed: $(tail -n 5 "$work/wineboot.log")"
wineserver -w
# The Windows faces the program asks for, taken by the host's faces: Chinese
# text by its TrueType CJK face (TrueType, so that the report's PDF embeds it).
replace_face() { # WINDOWS_FACE HOST_FACE
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1
}
replace_face "SimSun" "WenQuanYi Micro Hei"
replace_face "Microsoft YaHei" "WenQuanYi Micro Hei"
replace_face "Verdana" "DejaVu Sans"
replace_face "Microsoft Sans Serif" "DejaVu Sans"

# ---- the team server ---------------------------------------------------------

# psql as the server's superuser, in a subshell: the program sees no PG* variables.
# shellcheck source=/dev/null
pg() { (source "$team/env" && psql -qXAt -v ON_ERROR_STOP=1 "$@"); }
if [ -f "$app/libpq.dll" ]; then
  team=$work/server
  "$src/scripts/team-server.sh" start "$team" >/dev/null || fail "the team server did not start"
  # The database tc_team and the technician tc_tech, password te:ch\pw.
  "$src/tests/team/team-connect-setup.sh" "$team" || fail "no team database on the server"
  port=$(pg -c 'SHOW port')
  tls="$work/TLS Prüfung é"
  mkdir -p "$tls"
  cp "$team/ca.crt" "$team/other-ca.crt" "$tls/"
  team_dir=$(winepath -u "$(wine cmd /c echo %APPDATA% | tr -d '\r')")/Darvell
  mkdir -p "$team_dir"
  printf '[Team]\r\nHost=127.0.0.1\r\nPort=%s\r\nDatabase=tc_team\r\nUser=tc_tech\r\nSslMode=verify-full\r\nSslRootCert=%s\r\n' \
    "$port" "$(winepath -w "$tls/ca.crt")" >"$team_dir/Team.ini"
  printf '127.0.0.1:%s:tc_team:tc_tech:te\\:ch\\\\pw\n' "$port" >"$team_dir/pgpass"
  step "team server on 127.0.0.1:$port with TLS; Team.ini and pgpass in $team_dir"
fi

# ---- the program -------------------------------------------------------------

# Text of a control's client rectangle (dialog units) in a shot, by OCR.
read_control() { # SHOT x y w h
  geometry "$main"
  local geom="$(($(dx "$4") - 4))x$(($(dy "$5") - 4))+$((X + $(dx "$2") + 2))+$((Y + $(dy "$3") + 2))"
  convert "$shots/$1.png" -crop "$geom" +repage -colorspace Gray -resize 400% -threshold 60% "$work/ocr.png"
  tesseract "$work/ocr.png" - --psm 7 2>/dev/null | tr -d ' \n\f'
}
start_app() {
  (cd "$work" && wine "$app/darvell.exe") >"$work/app.log" 2>&1 &
  app_pid=$!
}

settings_ini="$app/QL7_Tool/Setting.ini"
cp "$settings_ini" "$work/Setting.original"
sed 's/^Language=1\r$/Language=0\r/' "$work/Setting.original" >"$work/Setting.chinese"
cmp -s "$work/Setting.original" "$work/Setting.chinese" && fail "the packed Setting.ini does not say Language=1"

# One run: the settings screen, a language radio and OK, a one-unit diagnosis
# by clicks, two pages, the PDF, EXIT. LANG_X: the radio's x; TAG: en or zh;
# EXPECT: a text of the first cause that the PDF must hold.
diagnose() { # LANG_X TAG EXPECT
  local lang_x=$1 tag=$2 expect=$3
  start_app
  # The first start in a new prefix builds Wine's font cache: it may take a minute.
  timeout 180 xdotool search --sync --onlyvisible --name '^Darvell$' >/dev/null ||
    fail "no window within three minutes ($tag): $(tail -n 5 "$work/app.log")"
  settings=$(wait_window 1024 768) || fail "the settings screen is not 1024 x 768 ($tag)"
  sleep 1
  shoot "$tag-01-settings"
  step "settings screen is 1024 x 768 ($tag); choosing the language, OK"
  click_control "$settings" "$lang_x" 111 78 30
  sleep 0.5
  click_control "$settings" 198 345 111 48
  main=$(wait_other "$settings") || fail "the main window did not appear after OK ($tag)"
  sleep 1
  click_control "$main" 198 30 78 30      # 1 Unit
  sleep 0.5
  click_control "$main" 102 189 78 30     # Main Sensor emitter
  picker=$(wait_other "$main") || fail "the picker did not appear ($tag)"
  sleep 0.5
  click_control "$picker" 15 48 78 30     # No error code
  sleep 1.5
  shoot "$tag-02-page1"
  [ "$(read_control "$tag-02-page1" 165 270 51 15)" = "1/4" ] || fail "page label is not 1 / 4 ($tag)"
  xdotool key Next
  sleep 1
  shoot "$tag-03-page2"
  [ "$(read_control "$tag-03-page2" 165 270 51 15)" = "2/4" ] || fail "Page Down did not show 2 / 4 ($tag)"
  step "pages 1 / 4 and 2 / 4 read from the screen ($tag)"

  local report="$work/report-$tag.pdf" dialog
  xdotool key ctrl+s
  dialog=$(wait_named 'PDF$') || fail "Ctrl+S opened no save dialog ($tag)"
  sleep 1.5
  shoot "$tag-04-save-dialog"
  # The system's save dialog: its file name field sits left of the file type
  # box near the bottom; a click there gives it the keyboard.
  geometry "$dialog"
  xdotool mousemove --sync $((X + WIDTH * 57 / 100)) $((Y + HEIGHT * 915 / 1000)) click 1
  sleep 0.3
  xdotool key End shift+Home BackSpace
  xdotool type --delay 30 "$(winepath -w "$report")"
  sleep 0.5
  shoot "$tag-05-file-name"
  xdotool key Return
  timeout 15 sh -c 'until [ -s "$1" ]; do sleep 0.1; done' - "$report" || fail "no PDF at $report ($tag)"
  sleep 0.5
  pdftotext "$report" - | tr -d ' \n' | grep -qF "$(echo "$expect" | tr -d ' ')" ||
    fail "the PDF does not hold '$expect' ($tag)"
  step "the PDF holds the first cause's text ($tag, $(stat -c %s "$report") bytes)"
  cp "$report" "$shots/"
}

step "Chinese: the settings screen writes Language=0"
zh_cause=$(sed -n '/^\[1LINEE149\]/,/^\[/ s/^ca=\([^\\]*\).*/\1/p' "$app/QL7_Tool/QL7BJ.ini")
[ -n "$zh_cause" ] || fail "no Chinese cause text for section 1LINEE149"
diagnose 147 zh "$zh_cause"
cmp -s "$settings_ini" "$work/Setting.chinese" || fail "Setting.ini holds more than the new language: $(od -c "$settings_ini")"
if [ -n "$team" ]; then
  for _ in $(seq 120); do
    sent=$(pg -d tc_team -c 'SELECT id, author, laptop FROM record')
    [ -z "$sent" ] || break
    sleep 0.5
  done
  [ -n "$sent" ] || fail "the diagnosis is not on the team server after a minute"
  # The program keeps its connection between passes.
  tls_version=$(pg -c "SELECT s.version FROM pg_stat_ssl s JOIN pg_stat_activity a USING (pid)
                       WHERE a.usename = 'tc_tech' AND a.datname = 'tc_team' AND s.ssl")
  [ "$tls_version" = TLSv1.3 ] || fail "the program's connection to the team server is not TLS 1.3: '$tls_version'"
  step "the diagnosis is on the team server, sent over $tls_version: $sent"
fi

# A second copy while the first runs: the message, and its end after OK.
step "a second darvell.exe"
first_pid=$app_pid
(cd "$work" && wine "$app/darvell.exe") >"$work/second.log" 2>&1 &
second_pid=$!
message=$(wait_other "$main") || fail "the second copy showed no message"
sleep 1
shoot "second-copy"
geometry "$message"
convert "$shots/second-copy.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -colorspace Gray -resize 300% \
  "$work/message.png"
tesseract "$work/message.png" - 2>/dev/null | grep -qi "already" || fail "the message does not say the program is open"
xdotool key Return
ended "$second_pid" 30 || fail "the second copy did not end after its message"
kill -0 "$first_pid" 2>/dev/null || fail "the first copy ended too"
step "the second copy was refused and ended; the first runs on"
click_control "$main" 420 372 78 30 # EXIT
ended "$first_pid" 30 || fail "the program did not end after EXIT"
app_pid=""

step "English: the settings screen writes Language=1 back"
diagnose 246 en "Possible cause 1 / 4"
cmp -s "$settings_ini" "$work/Setting.original" || fail "Setting.ini is not back to its first bytes"
click_control "$main" 420 372 78 30
ended "$app_pid" 30 || fail "the program did not end after EXIT"
app_pid=""

step "both diagnoses kept in QL7_Tool\\History.sqlite, whose path is not ASCII"
kept=$(sqlite3 -readonly "$app/QL7_Tool/History.sqlite" \
  'PRAGMA integrity_check; SELECT group_concat(language) FROM (SELECT language FROM record ORDER BY utc_ms)') ||
  fail "no readable QL7_Tool\\History.sqlite"
[ "$kept" = $'ok\n0,1' ] || fail "History.sqlite holds '$kept', not the Chinese and the English diagnosis"

step "darvell-check.exe on the unpacked data directory"
wine "$app/darvell-check.exe" "$(winepath -w "$app/QL7_Tool")" >"$work/check.log" 2>&1 ||
  { cat "$work/check.log" >&2; fail "darvell-check.exe found problems"; }
cp "$work/check.log" "$shots/darvell-check.txt"
step "darvell-check.exe: $(grep -c . "$work/check.log") lines, clean"

if [ -n "$team" ]; then
  kept=$(sqlite3 -readonly "$app/QL7_Tool/History.sqlite" 'SELECT id, author, laptop FROM record WHERE language = 0')
  [[ $sent = "$kept" && $sent = *"|tc_tech|"?* ]] ||
    fail "the team server holds '$sent', History.sqlite '$kept' (id|author|laptop)"
  step "the server's record is History.sqlite's Chinese diagnosis, by tc_tech on its laptop"
fi
if [ -n "$team" ] && [ -n "${3:-}" ]; then
  cp "$3" "$app/"
  while IFS='|' read -r what host cert expect; do
    if refused=$(cd "$app" && wine ./darvell-pqprobe.exe "$host port=$port dbname=tc_team user=tc_tech \
sslmode=verify-full sslrootcert='$(winepath -w "$tls/$cert" | tr '\\' /)' connect_timeout=30" 2>&1); then
      fail "the zip's libpq connected although $what: $refused"
    fi
    grep -qi "$expect" <<<"$refused" || fail "the zip's libpq was refused for another reason than $what: $refused"
    step "the zip's libpq refused $what"
  done <<'EOF'
another authority's certificate|host=127.0.0.1|other-ca.crt|certificate verify failed
a host name the certificate does not name|host=darvell.invalid hostaddr=127.0.0.1|ca.crt|does not match host name
EOF
fi
step "passed"
