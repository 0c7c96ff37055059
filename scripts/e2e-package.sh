#!/usr/bin/env bash
# Checks a release archive the way a user meets it. It is unpacked into an empty
# folder on another path (with a space, a " and a $ in its name); its top folder,
# layout, data directory and the programs' library paths are checked; both
# desktop entries pass desktop-file-validate; install-desktop-entry.sh writes the
# entry into a private home, a second run changes nothing. The program is then
# started through that entry (gio launch, as a desktop menu would) from another
# working directory under Xvfb: its settings screen shows, OK opens the main
# window, EXIT ends it. Moved to a path with a % in it, the folder gets a new
# entry that starts it too. The installer leaves another copy's or a user's
# entry alone unless --force, ignores CDPATH and refuses folder names a desktop
# entry cannot hold. Last, --remove takes the entry out.
# Usage: scripts/e2e-package.sh ARCHIVE [SHOTS_DIR]   (exits non-zero on failure;
# screenshots of the two screens go to SHOTS_DIR when it is given)
set -euo pipefail

archive=$(cd "$(dirname "${1:?usage: $0 ARCHIVE}")" && pwd)/$(basename "$1")
# shellcheck source=scripts/e2e-lib.sh
source "$(dirname "$0")/e2e-lib.sh"
shots=${2:-}
shot_crop=1024x768+0+0
need_tools Xvfb xdotool xwininfo desktop-file-validate gio readelf
[ -f "$archive" ] || fail "no archive at $archive"

name=$(basename "$archive" .tar.gz)
version=${name#Darvell-}
version=${version%-Linux-*}
[ "$name" = "Darvell-$version-Linux-x86_64" ] || fail "archive name $name is not Darvell-<version>-Linux-x86_64"
step "$(basename "$archive"): $(stat -c %s "$archive") bytes"

# ---- the archive -----------------------------------------------------------

outside=$(tar -tzf "$archive" | grep -v "^Darvell-$version/" || true)
[ -z "$outside" ] || fail "entries outside Darvell-$version/: $outside"
place="$work/USB \"stick\" \$x"
mkdir -p "$place"
tar -xzf "$archive" -C "$place"
top="$place/Darvell-$version"
for f in darvell darvell-check install-desktop-entry.sh; do
  [ -x "$top/$f" ] || fail "$f is missing or not executable"
done
for f in README.md darvell.desktop icons/darvell-16.png icons/darvell-256.png QL7_Tool/Setting.ini \
  server/darvell-team.sql; do
  [ -f "$top/$f" ] || fail "$f is missing"
done
for f in darvell darvell-check; do
  paths=$(readelf -d "$top/$f" | grep -E 'RPATH|RUNPATH' || true)
  [ -z "$paths" ] || fail "$f carries library paths: $paths"
done
(cd "$work" && "$top/darvell-check" "$top/QL7_Tool") >"$work/check.log" 2>&1 ||
  fail "darvell-check finds problems in the unpacked data directory: $(cat "$work/check.log")"
step "unpacked into '$place': layout complete, no RPATH, data directory clean"

# ---- the desktop entries ---------------------------------------------------

home="$work/home"
entry="$home/.local/share/applications/darvell.desktop"
# install_entry FOLDER [--remove]: the folder's script, run in the private home.
install_entry() { HOME="$home" XDG_DATA_HOME="" "$1/install-desktop-entry.sh" "${@:2}"; }
mkdir -p "$home"
install_entry "$top" >/dev/null
[ -f "$entry" ] || fail "install-desktop-entry.sh wrote no $entry"
before=$(stat -c '%i %y' "$entry")
install_entry "$top" >/dev/null
[ "$(stat -c '%i %y' "$entry")" = "$before" ] || fail "a second install-desktop-entry.sh run changed the entry"
for d in "$top/darvell.desktop" "$entry"; do
  out=$(desktop-file-validate "$d" 2>&1) || fail "desktop-file-validate $d: $out"
  step "desktop-file-validate $(basename "$(dirname "$d")")/$(basename "$d"): ${out:-no complaints}"
done
step "installed entry: $(grep -E '^(Exec|Icon)=' "$entry" | tr '\n' ' ')"

# ---- the program, started through the entry -------------------------------

darvell_start_xvfb "$work" "$src" || fail "no X server"

elsewhere="$work/elsewhere"
mkdir -p "$elsewhere"
(cd "$elsewhere" && gio launch "$entry") >"$work/launch.log" 2>&1 ||
  fail "gio launch failed: $(cat "$work/launch.log")"
settings=$(wait_window 1024 768) ||
  fail "no settings screen after starting from $elsewhere ($(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' ' '))"
app_pid=$(xdotool getwindowpid "$settings")
[ "$(readlink "/proc/$app_pid/cwd")" = "$elsewhere" ] || fail "the program does not run in $elsewhere"
[ "$(readlink "/proc/$app_pid/exe")" = "$top/darvell" ] || fail "the running program is not $top/darvell"
sleep 0.3
shoot 01-settings
step "settings screen is up (pid $app_pid, working directory $elsewhere); pressing OK"
click_control "$settings" 198 345 111 48
main=$(wait_window 1024 768 "$settings") || fail "the main window did not appear after OK"
sleep 0.3
shoot 02-main
step "main window is up; pressing EXIT"
click_control "$main" 420 372 78 30
ended "$app_pid" || fail "the program did not end after EXIT"
app_pid=""
[ -z "$(ls -A "$elsewhere")" ] || fail "the program left files in its working directory: $(ls -A "$elsewhere")"

# Moved elsewhere, the folder needs its entry written again.
moved="$work/100% moved/Darvell-$version"
mkdir -p "$(dirname "$moved")"
mv "$top" "$moved"
install_entry "$moved" >/dev/null
out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate of the moved folder's entry: $out"
(cd "$elsewhere" && gio launch "$entry") >"$work/launch.log" 2>&1 ||
  fail "gio launch of the moved folder failed: $(cat "$work/launch.log")"
settings=$(wait_window 1024 768) || fail "no settings screen from the moved folder"
app_pid=$(xdotool getwindowpid "$settings")
[ "$(readlink "/proc/$app_pid/exe")" = "$moved/darvell" ] || fail "the running program is not $moved/darvell"
step "moved to '$moved': the new entry starts it"
kill "$app_pid"
app_pid=""

# ---- whose entry: the installer replaces or removes only its own -----------

# Without --force only an entry naming this folder's program (or a program that
# is gone) is replaced or removed; a refusal names the entry's program.
other="$work/other/Darvell-$version"
mkdir -p "$other"
: >"$other/darvell" # another unpacked copy's program
# TryExec before | options | exit status | TryExec after (empty: no entry)
while IFS='|' read -r before opts status after; do
  printf '[Desktop Entry]\nType=Application\nName=Darvell\nExec=darvell\nTryExec=%s\n' "$before" >"$entry"
  rc=0
  # shellcheck disable=SC2086
  install_entry "$moved" $opts >/dev/null 2>"$work/owner.log" || rc=$?
  now=$(sed -n 's/^TryExec=//p' "$entry" 2>/dev/null || true)
  [ "$rc/$now" = "$status/$after" ] ||
    fail "entry of '$before', options '$opts': status $rc, TryExec '$now' (expected $status, '$after')"
  [ "$rc" = 0 ] || grep -qF "$before" "$work/owner.log" || fail "the refusal does not name '$before'"
done <<CASES
$other/darvell||1|$other/darvell
$other/darvell|--remove|1|$other/darvell
darvell||1|darvell
$other/darvell|--force|0|$moved/darvell
$other/darvell|--remove --force|0|
$work/gone/darvell||0|$moved/darvell
CASES
step "another copy's or a user's entry is left alone; --force and a gone program's entry are replaced"

# A CDPATH naming a folder of the same name changes nothing.
mkdir -p "$work/decoy/$(basename "$moved")"
(cd "$(dirname "$moved")" && CDPATH="$work/decoy" install_entry "$(basename "$moved")") >/dev/null 2>&1 ||
  fail "install-desktop-entry.sh fails when started by a relative path with CDPATH set"
[ "$(sed -n 's/^TryExec=//p' "$entry")" = "$moved/darvell" ] || fail "with CDPATH set the entry names another folder"
# Folder names no desktop entry can hold are refused with a message; the entry stays.
for bad in "$(printf 'tab\there')" "$(printf 'latin1-\351')" "line-break
"; do
  mv "$moved" "$work/$bad"
  rc=0
  install_entry "$work/$bad" >/dev/null 2>"$work/bad.log" || rc=$?
  mv "$work/$bad" "$moved"
  [ "$rc" = 1 ] && grep -q "desktop entry cannot name it" "$work/bad.log" ||
    fail "folder name '$bad' was not refused (status $rc: $(cat "$work/bad.log"))"
  [ "$(sed -n 's/^TryExec=//p' "$entry")" = "$moved/darvell" ] || fail "a refused folder name changed the entry"
done
step "CDPATH ignored; folder names with a tab, non-UTF-8 bytes or a final line break refused"

install_entry "$moved" --remove >/dev/null
[ ! -e "$entry" ] || fail "--remove left $entry"
install_entry "$moved" --remove >/dev/null || fail "a second --remove failed"
step "PASS"
