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

# The DLLs a Windows binary needs that the system does not bring: those found
# in Qt's bin/ and plugin folders or MinGW's runtime, followed through their own
# imports. Prints one path per line.
darvell_windows_dlls() {
  local -a todo=("$@") seen=()
  local search=("$qt_windows/bin" /usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib)
  while [ ${#todo[@]} -gt 0 ]; do
    local bin=${todo[0]} dll dir
    todo=("${todo[@]:1}")
    for dll in $(x86_64-w64-mingw32-objdump -p "$bin" | sed -n 's/^\s*DLL Name: //p'); do
      for dir in "${search[@]}"; do
        if [ -f "$dir/$dll" ]; then
          if [[ " ${seen[*]} " != *" $dir/$dll "* ]]; then
            seen+=("$dir/$dll")
            todo+=("$dir/$dll")
          fi
          break
        fi
      done
    done
  done
  printf '%s\n' "${seen[@]}"
}
