# Sourced by the Windows scripts: the Qt for Windows cache, a host build of the
# generators, and a cross build configured against them.
#   darvell_windows_qt                 (sets qt_windows: the cache, built when missing)
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
  DARVELL_QT_WINDOWS=$qt_windows cmake -S "$src" --preset windows -B "$build/win" \
    -DDARVELL_HOST_TOOLS="$build/host" "$@" >/dev/null
  cmake --build "$build/win" -j"$(nproc)"
}
