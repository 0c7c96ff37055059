#!/bin/sh
# Adds Darvell to the desktop's application menu: writes a desktop entry for
# the program in this folder, with absolute paths, into the user's applications
# folder. Running it again changes nothing; after moving the folder, run it
# again from the new place.
#   ./install-desktop-entry.sh            add or update the entry
#   ./install-desktop-entry.sh --remove   take the entry out
set -eu

here=$(cd "$(dirname "$0")" && pwd -P)
apps="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
entry="$apps/darvell.desktop"

case "${1:-}" in
  "") ;;
  --remove)
    if [ -e "$entry" ]; then
      rm -f "$entry"
      echo "Removed $entry"
    else
      echo "No desktop entry at $entry"
    fi
    exit 0 ;;
  *)
    echo "usage: $0 [--remove]" >&2
    exit 2 ;;
esac

case "$here" in
  *'
'*) echo "The folder's path holds a line break; a desktop entry cannot name it." >&2; exit 1 ;;
esac
for f in darvell darvell.desktop icons/darvell-256.png; do
  [ -e "$here/$f" ] || { echo "Missing $here/$f: unpack the whole archive." >&2; exit 1; }
done

# Values are string-escaped (backslash doubled). The command line is quoted as
# one argument first (backslash before " ` $ \), and % is doubled.
escape() { printf '%s' "$1" | sed -e 's/\\/\\\\/g'; }
quote_arg() { printf '"%s"' "$(printf '%s' "$1" | sed -e 's/[\\"`$]/\\&/g')"; }
exec_value=$(escape "$(quote_arg "$here/darvell")" | sed -e 's/%/%%/g')
# GLib looks for the program named first before it turns %% back into %, so a
# path with % in it would never start there: let env start it instead.
case "$here" in *%*) exec_value="env $exec_value" ;; esac
tryexec_value=$(escape "$here/darvell")
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
else
  chmod 644 "$tmp"
  mv -f "$tmp" "$entry"
  echo "Wrote $entry"
fi
