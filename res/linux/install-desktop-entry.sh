#!/bin/sh
# Adds Darvell to the desktop's application menu: writes a desktop entry for
# the program in this folder, with absolute paths, into the user's applications
# folder. Running it again changes nothing; after moving the folder, run it
# again from the new place.
#   ./install-desktop-entry.sh                    add or update the entry
#   ./install-desktop-entry.sh --remove           take the entry out
#   ./install-desktop-entry.sh [--remove] --force also when another folder wrote it
# An entry is this folder's when its TryExec= names this folder's program, or a
# program that is gone (the folder was moved or deleted). Any other entry, a
# user's own or another unpacked copy's, is left alone without --force.
set -eu

usage() { echo "usage: $0 [--remove] [--force]" >&2; exit 2; }
remove="" force=""
for arg in "$@"; do
  case "$arg" in
    --remove) remove=1 ;;
    --force) force=1 ;;
    *) usage ;;
  esac
done

# The folder of this script, every byte kept: a command substitution would drop
# trailing line breaks, and a CDPATH would send cd elsewhere.
case "$0" in
  */*) dir=${0%/*} ;;
  *) dir=. ;;
esac
here=$(CDPATH='' cd -- "${dir:-/}" && pwd -P && echo x)
here=${here%?x}
apps="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
entry="$apps/darvell.desktop"

# Values are string-escaped (backslash doubled). The command line is quoted as
# one argument first (backslash before " ` $ \), and % is doubled.
escape() { printf '%s' "$1" | sed -e 's/\\/\\\\/g'; }
quote_arg() { printf '"%s"' "$(printf '%s' "$1" | sed -e 's/[\\"`$]/\\&/g')"; }
tryexec_value=$(escape "$here/darvell")

# The TryExec= of the entry's [Desktop Entry] group, as written (escaped).
entry_tryexec() {
  awk '/^\[/ { main = ($0 == "[Desktop Entry]") }
       main && /^TryExec=/ { sub(/^TryExec=/, ""); print; exit }' "$entry"
}
# A TryExec= value as the path it names (\s \n \t \r \\ undone).
unescape() {
  printf '%s' "$1" | awk '{
    out = ""
    while ((i = index($0, "\\")) > 0) {
      c = substr($0, i + 1, 1)
      out = out substr($0, 1, i - 1) (c == "s" ? " " : c == "n" ? "\n" : c == "t" ? "\t" : c == "r" ? "\r" : c)
      $0 = substr($0, i + 2)
    }
    printf "%s", out $0 }'
}
# Succeeds when the entry may be replaced or removed; else says whose it is.
entry_is_ours() {
  [ -n "$force" ] && return 0
  owner=$(entry_tryexec)
  [ "$owner" = "$tryexec_value" ] && return 0
  case "$owner" in
    /*) [ -e "$(unescape "$owner")" ] || return 0 ;;
  esac
  if [ -n "$owner" ]; then
    echo "$entry belongs to $(unescape "$owner"), not to $here/darvell: left alone (--force replaces it)." >&2
  else
    echo "$entry names no program (no TryExec=), so it is not this folder's: left alone (--force replaces it)." >&2
  fi
  return 1
}

if [ -n "$remove" ]; then
  if [ ! -e "$entry" ]; then
    echo "No desktop entry at $entry"
    exit 0
  fi
  entry_is_ours || exit 1
  rm -f "$entry"
  echo "Removed $entry"
  exit 0
fi

# Desktop entries hold one line of UTF-8 text per value, without control characters.
case "$here" in
  *'
'*) echo "The folder's path holds a line break; a desktop entry cannot name it." >&2; exit 1 ;;
  *"$(printf '\t')"*) echo "The folder's path holds a tab; a desktop entry cannot name it." >&2; exit 1 ;;
  *[[:cntrl:]]*) echo "The folder's path holds a control character; a desktop entry cannot name it." >&2; exit 1 ;;
esac
if ! printf '%s' "$here" | iconv -f UTF-8 -t UTF-8 >/dev/null 2>&1; then
  echo "The folder's path holds bytes that are not UTF-8; a desktop entry cannot name it." >&2
  exit 1
fi
for f in darvell darvell.desktop icons/darvell-256.png; do
  [ -e "$here/$f" ] || { echo "Missing $here/$f: unpack the whole archive." >&2; exit 1; }
done

exec_value=$(escape "$(quote_arg "$here/darvell")" | sed -e 's/%/%%/g')
# GLib looks for the program named first before it turns %% back into %, so a
# path with % in it would never start there: let env start it instead.
case "$here" in *%*) exec_value="env $exec_value" ;; esac
icon_value=$(escape "$here/icons/darvell-256.png")

mkdir -p "$apps"
tmp=$(mktemp "$apps/.darvell.desktop.XXXXXX")
trap 'rm -f "$tmp"' EXIT
EXEC_VALUE=$exec_value TRYEXEC_VALUE=$tryexec_value ICON_VALUE=$icon_value awk '
  /^Exec=/    { print "Exec=" ENVIRON["EXEC_VALUE"]; next }
  /^TryExec=/ { print "TryExec=" ENVIRON["TRYEXEC_VALUE"]; next }
  /^Icon=/    { print "Icon=" ENVIRON["ICON_VALUE"]; next }
  { print }' "$here/darvell.desktop" >"$tmp"
if cmp -s "$tmp" "$entry"; then
  echo "Desktop entry $entry is up to date"
  exit 0
fi
if [ -e "$entry" ]; then
  entry_is_ours || exit 1
fi
chmod 644 "$tmp"
mv -f "$tmp" "$entry"
echo "Wrote $entry"
