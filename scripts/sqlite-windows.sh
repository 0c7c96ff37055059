#!/usr/bin/env bash
# Builds SQLite for 64-bit Windows as a static library from Debian's sqlite3
# source with MinGW-w64, into a cache outside the work tree:
# ~/.cache/darvell/sqlite-<version>-mingw64, or where DARVELL_SQLITE_WINDOWS
# says (include/, lib/libsqlite3.a, licenses/). The single-file source is made
# by the source's own build, which needs tclsh. A second call finds the cache
# and returns at once.
#   scripts/sqlite-windows.sh    (prints the cache's path last)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/windows-env.sh
darvell_windows_cache sqlite-windows darvell_windows_sqlite_dir

darvell_enable_deb_src sqlite3
work=$(mktemp -d "${TMPDIR:-/tmp}/darvell-sqlite-windows.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The source with Debian's patches, its security fixes among them.
(cd "$work" && apt-get source -q "sqlite3=$(dpkg-query -W -f='${Version}' libsqlite3-dev)" >/dev/null)
src=$(find "$work" -maxdepth 1 -type d -name 'sqlite3-*' | head -n 1)
[ -n "$src" ] && [ -f "$src/configure" ] || { echo "sqlite-windows: apt-get source gave no sqlite3 source" >&2; exit 1; }
mkdir -p "$work/amalgamation"
(cd "$work/amalgamation" && "$src/configure" --disable-tcl >/dev/null && make -s sqlite3.c sqlite3.h >/dev/null)

# Threads as the program uses them (one connection per thread), no loadable
# extensions, no double-quoted string literals. Made beside the cache's place
# and renamed into it when complete, so that no half-made cache is ever found.
if [ -e "$cache" ]; then
  echo "sqlite-windows: $cache exists but is no complete build; remove it and run this again" >&2
  exit 1
fi
mkdir -p "$(dirname "$cache")"
out=$(mktemp -d "$cache.partial.XXXXXX")
trap 'rm -rf "$work" "$out"' EXIT
mkdir -p "$out/include" "$out/lib" "$out/licenses"
x86_64-w64-mingw32-gcc -O2 -c "$work/amalgamation/sqlite3.c" -o "$work/sqlite3.o" \
  -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION -DSQLITE_DQS=0 -DSQLITE_DEFAULT_MEMSTATUS=0 \
  -DSQLITE_WIN32_MALLOC -DSQLITE_OS_WIN=1
x86_64-w64-mingw32-ar rcs "$out/lib/libsqlite3.a" "$work/sqlite3.o"
cp "$work/amalgamation/sqlite3.h" "$out/include/"
cp "$src/debian/copyright" "$out/licenses/sqlite3.copyright"
echo "sqlite3 $(cat "$src/VERSION")" >"$out/licenses/sqlite3.source"
echo "SQLite $(cat "$src/VERSION") for Windows, static" >"$out/.complete"
chmod 755 "$out"
mv -T "$out" "$cache"
echo "sqlite-windows: $(cat "$cache/.complete"): $cache"
echo "$cache"
