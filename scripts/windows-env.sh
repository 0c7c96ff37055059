# Sourced by the Windows scripts: the Qt and SQLite for Windows caches, a host
# build of the generators, and a cross build configured against them.
#   darvell_windows_qt                 (sets qt_windows: the cache, built when missing)
#   darvell_windows_sqlite             (sets sqlite_windows: likewise)
#   darvell_windows_pq                 (sets pq_windows: libpq and OpenSSL's
#                                      cache when complete, else empty; only
#                                      pq-windows.sh builds it)
#   darvell_windows_build SRC BUILD [CMAKE_ARG...]
#                                      host generators in BUILD/host (release
#                                      preset), then the Windows build in
#                                      BUILD/win (windows preset)
source "$(dirname "${BASH_SOURCE[0]}")/deps.sh"

# The cache's folder, whether it is built yet or not.
darvell_windows_qt_dir() {
  local version
  version=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null | sed 's/[+-].*//')
  echo "${DARVELL_QT_WINDOWS:-$HOME/.cache/darvell/qt-${version:-6}-mingw64}"
}

# The start of a cache's build script: installs the build's packages and sets
# cache to the folder DIR_FUNCTION names; when that cache is complete, ends the
# script with its path.
#   darvell_windows_cache NAME DIR_FUNCTION
darvell_windows_cache() {
  darvell_install_windows_deps
  cache=$("$2")
  [ -f "$cache/.complete" ] || return 0
  echo "$1: cached in $cache"
  echo "$cache"
  exit 0
}

# SQLite for Windows, static, built from Debian's source by sqlite-windows.sh.
darvell_windows_sqlite_dir() {
  local version
  version=$(dpkg-query -W -f='${Version}' libsqlite3-dev 2>/dev/null | sed 's/[+-].*//')
  echo "${DARVELL_SQLITE_WINDOWS:-$HOME/.cache/darvell/sqlite-${version:-3}-mingw64}"
}

# Sets sqlite_windows: the cache, built when missing (a minute or two).
darvell_windows_sqlite() {
  darvell_install_windows_deps
  sqlite_windows=$("$(dirname "${BASH_SOURCE[0]}")/sqlite-windows.sh" | tail -n 1)
  [ -f "$sqlite_windows/.complete" ] || { echo "no SQLite for Windows in '$sqlite_windows'" >&2; return 1; }
}

# libpq and OpenSSL for Windows, built from Debian's sources by pq-windows.sh.
darvell_windows_pq_dir() {
  echo "${DARVELL_PQ_WINDOWS:-$HOME/.cache/darvell/pq-15-mingw64}"
}

# Sets pq_windows: that cache when it is complete, else empty (saying so).
darvell_windows_pq() {
  pq_windows=$(darvell_windows_pq_dir)
  [ -f "$pq_windows/.complete" ] && return 0
  echo "No libpq for Windows cached in '$pq_windows': the build carries none (scripts/pq-windows.sh builds it)." >&2
  pq_windows=""
}

darvell_windows_qt() {
  darvell_install_windows_deps
  qt_windows=$("$(dirname "${BASH_SOURCE[0]}")/qt-windows.sh" | tail -n 1)
  [ -f "$qt_windows/.complete" ] || { echo "no Qt for Windows in '$qt_windows'" >&2; return 1; }
}

darvell_windows_build() {
  local src=$1 build=$2
  shift 2
  # The bitmaps and the icon are drawn on this machine by the host generators.
  cmake -S "$src" --preset release -B "$build/host" >/dev/null
  cmake --build "$build/host" -j"$(nproc)" --target darvell-makebitmaps darvell-makeicons
  darvell_windows_sqlite
  darvell_windows_pq
  DARVELL_QT_WINDOWS=$qt_windows DARVELL_SQLITE_WINDOWS=$sqlite_windows DARVELL_PQ_WINDOWS=$pq_windows \
    cmake -S "$src" --preset windows -B "$build/win" -DDARVELL_HOST_TOOLS="$build/host" "$@" >/dev/null
  cmake --build "$build/win" -j"$(nproc)"
}
