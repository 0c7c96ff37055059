#!/usr/bin/env bash
# Checks the Debian package the way a workshop PC meets it, as root: lintian
# finds no error in it (its warnings are listed); apt installs it with what it
# depends on; its files are where Debian wants them and no user may write the
# program folder. A normal user (nobody, with a home of its own) starts it by
# the menu entry's command under Xvfb: the settings screen, Chinese chosen, OK
# tells once where that user's settings are kept, the main window, EXIT; the
# copy in ~/.config/Darvell holds the choice and the installed files are
# unchanged. A second start finds the settings again (the diagnosis made then
# is recorded in Chinese in ~/.local/share/Darvell/History.sqlite). Last, apt
# removes the package: none of its files stays, the user's files do, and
# packages that the install brought in are taken out again.
# Usage: scripts/e2e-deb.sh DEB [SHOTS_DIR]   (as root, else it ends with status 77,
# skipped; exits non-zero on failure)
set -euo pipefail

deb=$(cd "$(dirname "${1:?usage: $0 DEB [SHOTS_DIR]}")" && pwd)/$(basename "$1")
# shellcheck source=scripts/e2e-lib.sh
source "$(dirname "$0")/e2e-lib.sh"
shots=${2:-}
shot_crop=1024x768+0+0
installed=""
brought=()
user=65534

apt_get() { DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=600 "$@"; }
# The machine as it was: the package and what it brought in go again.
e2e_cleanup() {
  if [ -n "$installed" ]; then
    apt_get remove darvell >/dev/null 2>&1 || true
    [ ${#brought[@]} -eq 0 ] || apt_get purge "${brought[@]}" >/dev/null 2>&1 || true
  fi
}

if [ "$(id -u)" != 0 ]; then
  step "skipped: installing a package needs root"
  exit 77
fi
need_tools Xvfb xdotool xwininfo lintian dpkg-deb apt-get setpriv import sqlite3
[ -f "$deb" ] || fail "no package at $deb"
! dpkg-query -W -f='${Status}' darvell 2>/dev/null | grep -q 'install ok installed' ||
  fail "darvell is installed already; this test installs and removes it itself"

# ---- the package -----------------------------------------------------------

lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
! grep -q '^E: ' "$work/lintian.log" || fail "lintian reports errors: $(grep '^E: ' "$work/lintian.log")"
step "lintian: no errors; warnings: $(grep -c '^W: ' "$work/lintian.log" || true)"
sed -n 's/^W: /  W: /p' "$work/lintian.log"
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$work/contents"
for f in /usr/lib/darvell/darvell /usr/lib/darvell/darvell-check /usr/lib/darvell/QL7_Tool/Setting.ini \
  /usr/lib/darvell/QL7_Tool/h00.bmp /usr/bin/darvell /usr/share/applications/darvell.desktop \
  /usr/share/icons/hicolor/256x256/apps/darvell.png /usr/share/doc/darvell/copyright \
  /usr/share/darvell/darvell-team.sql; do
  grep -qx "$f" "$work/contents" || fail "$f is not in the package"
done
! grep -q '^/opt' "$work/contents" || fail "the package puts files in /opt"
step "layout: the program folder in /usr/lib/darvell, darvell on the PATH, menu entry, icons, copyright"

# ---- installed with apt ----------------------------------------------------

# What apt brings in besides the package: taken out again at the end.
mapfile -t brought < <(apt-get install -s -q "$deb" 2>/dev/null | awk '$1 == "Inst" && $2 != "darvell" { print $2 }')
installed=1
apt_get install --no-install-recommends "$deb" >"$work/apt.log" 2>&1 || fail "apt install failed: $(tail -n 20 "$work/apt.log")"
dpkg -L darvell | while read -r f; do [ -d "$f" ] || echo "$f"; done >"$work/files"
step "installed with apt ($(wc -l <"$work/files") files${brought[*]:+; brought in: ${brought[*]}})"
[ "$(readlink -f /usr/bin/darvell)" = /usr/lib/darvell/darvell ] || fail "/usr/bin/darvell does not lead to the program"
setpriv --reuid=$user --regid=$user --clear-groups test -w /usr/lib/darvell/QL7_Tool/Setting.ini &&
  fail "a normal user may write the installed settings file"
setpriv --reuid=$user --regid=$user --clear-groups test -w /usr/lib/darvell/QL7_Tool &&
  fail "a normal user may write the installed data directory"

# ---- started by a normal user ------------------------------------------------

darvell_start_xvfb "$work" "$src" || fail "no X server"
home=$work/home
mkdir -p "$home/elsewhere"
chown -R $user:$user "$home"
chmod 755 "$work"
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/darvell.desktop)
# The menu's command, run as the user does: a login's environment, nothing of the test's.
as_user() {
  (cd "$home/elsewhere" && setpriv --reuid=$user --regid=$user --clear-groups \
    env -i HOME="$home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@")
}
start() { # sets settings (the settings screen's window) and app_pid
  as_user sh -c "$exec_line" >>"$work/app.log" 2>&1 &
  settings=$(wait_window 1024 768) || fail "no settings screen after '$exec_line' ($(tail -n 5 "$work/app.log"))"
  app_pid=$(xdotool getwindowpid "$settings")
  [ "$(stat -c %u "/proc/$app_pid")" = $user ] || fail "the program does not run as the user"
  sleep 0.6 # a deliberate click, after the double-click interval
}
stopped() { # EXIT, and the program's end (it is no child of this shell)
  click_control "$main" 420 372 78 30
  ended "$app_pid" || fail "the program did not end after EXIT"
  app_pid=""
}
sums_before=$(md5sum /usr/lib/darvell/QL7_Tool/Setting.ini)

start
shoot 01-settings
step "settings screen up as the user; Chinese, OK"
click_control "$settings" 147 111 78 30
click_control "$settings" 198 345 111 48
box=$(wait_other "$settings") || fail "no message box after OK"
geometry "$box"
[ "$WIDTH" -lt 1024 ] || fail "the window after OK is not the message box"
sleep 0.6
shoot 02-settings-kept
xdotool key Return
main=$(wait_window 1024 768 "$settings") || fail "the main window did not appear after the message"
sleep 0.6
shoot 03-main
copy=$home/.config/Darvell/Setting.ini
[ -f "$copy" ] && [ "$(stat -c %u "$copy")" = $user ] || fail "no settings of the user's own in $copy"
grep -q '^Language=0' "$copy" || fail "the user's settings do not hold the choice: $(cat "$copy")"
[ "$(md5sum /usr/lib/darvell/QL7_Tool/Setting.ini)" = "$sums_before" ] && dpkg -V darvell >"$work/verify.log" &&
  [ ! -s "$work/verify.log" ] || fail "installed files changed: $(cat "$work/verify.log")"
step "settings kept in $copy; the installed files unchanged; EXIT"
stopped

start
copy_stamp=$(stat -c %Y.%i "$copy")
step "started again: OK without a change, a diagnosis"
click_control "$settings" 198 345 111 48
main=$(wait_window 1024 768 "$settings") || fail "no main window at the second start"
sleep 0.6
click_control "$main" 198 30 78 30
click_control "$main" 102 189 78 30
picker=$(wait_other "$main" "$settings") || fail "the picker did not appear"
sleep 0.6
click_control "$picker" 15 48 78 30
gone "$picker" || fail "the picker did not close"
sleep 0.5
shoot 04-diagnosis
history=$home/.local/share/Darvell/History.sqlite
timeout 5 sh -c 'until [ "$(sqlite3 -readonly "$1" "SELECT count(*) FROM record WHERE language = 0" 2>/dev/null)" -gt 0 ] 2>/dev/null; do sleep 0.1; done' - "$history" ||
  fail "no diagnosis in Chinese recorded in $history"
[ "$(stat -c %Y.%i "$copy")" = "$copy_stamp" ] || fail "an OK without a change wrote the settings"
stopped
step "the settings found again (Chinese), the diagnosis recorded in $history"

# ---- removed -----------------------------------------------------------------

apt_get remove darvell >"$work/apt.log" 2>&1 || fail "apt remove failed: $(tail -n 20 "$work/apt.log")"
installed=""
[ ${#brought[@]} -eq 0 ] || apt_get purge "${brought[@]}" >/dev/null 2>&1 || fail "could not purge ${brought[*]}"
left=$(while read -r f; do if [ -e "$f" ] || [ -L "$f" ]; then echo "$f"; fi; done <"$work/files")
[ -z "$left" ] || fail "left after apt remove: $left"
[ ! -e /usr/lib/darvell ] || fail "/usr/lib/darvell is left after apt remove"
[ -f "$copy" ] && [ -f "$history" ] || fail "apt remove touched the user's files"
step "apt remove took out every file of the package and left the user's own"
step "PASS"
