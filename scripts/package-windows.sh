#!/usr/bin/env bash
# Builds Darvell for 64-bit Windows (Release) from a fresh clone of the
# committed HEAD against the cached Qt for Windows (scripts/qt-windows.sh, built
# first when missing) and packs Darvell-<version>-Windows-x64.zip, one top
# folder Darvell-<version>/: darvell.exe, darvell-check.exe, the DLLs their
# import tables name (Qt, the MinGW runtime), the windows platform plugin and
# the windowsvista style, QL7_Tool/, README.md and licenses/.
#   scripts/package-windows.sh [OUTPUT_DIR]   (default build/package-windows; prints the zip's path last)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/windows-env.sh
source scripts/clone-head.sh
darvell_windows_qt

src=$PWD
out=${1:-build/package-windows}
mkdir -p "$out"
out=$(cd "$out" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

darvell_clone_head "$src" "$tmp/src" "$tmp"
darvell_windows_build "$tmp/src" "$tmp/build" -DCMAKE_BUILD_TYPE=Release -DDARVELL_TESTS=OFF
version=$(sed -n 's/^project(Darvell VERSION \([0-9.]*\).*/\1/p' "$tmp/src/CMakeLists.txt")
folder=$tmp/pack/Darvell-$version
cmake --install "$tmp/build/win" --prefix "$folder" >/dev/null

# Qt's plugins are loaded, not imported: they are named here, and what they
# import is found like the programs' own imports.
mkdir -p "$folder/platforms" "$folder/styles"
cp "$qt_windows/plugins/platforms/qwindows.dll" "$folder/platforms/"
cp "$qt_windows/plugins/styles/qwindowsvistastyle.dll" "$folder/styles/"
darvell_windows_dlls "$folder"/*.exe "$folder/platforms/qwindows.dll" "$folder/styles/qwindowsvistastyle.dll" |
  while read -r dll; do cp "$dll" "$folder/"; done
x86_64-w64-mingw32-strip --strip-unneeded "$folder"/*.exe "$folder"/*.dll "$folder"/platforms/*.dll \
  "$folder"/styles/*.dll

# The licences of what ships beside our code.
mkdir -p "$folder/licenses"
cp "$qt_windows"/licenses/* "$folder/licenses/"
cat >"$folder/licenses/README.txt" <<TXT
Darvell for Windows ships these libraries beside its own code:

- Qt $(basename "$qt_windows" | sed 's/^qt-//; s/-mingw64$//') (Qt6Core, Qt6Gui, Qt6Widgets, Qt6PrintSupport and the
  platforms/ and styles/ plugins), under the GNU Lesser General Public License
  version 3 (LGPL-3.0-only.txt; its GPL-3.0-only.txt is the base it refers to).
  Built unmodified from the Debian source package $(cat "$qt_windows/licenses/qt6-base.source"),
  its source is at https://deb.debian.org/debian/pool/main/q/qt6-base/ ;
  qt6-base.copyright lists the authors and the licences of its parts. You may
  replace these DLLs with your own build of the same Qt version.
- The MinGW-w64 and GCC runtime libraries (libstdc++-6.dll, libgcc_s_seh-1.dll,
  libwinpthread-1.dll), under the GCC Runtime Library Exception to the GPL
  version 3 (gcc-runtime.copyright) and the MinGW-w64 licence
  (mingw-w64.copyright).
TXT
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$folder/licenses/gcc-runtime.copyright"
cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$folder/licenses/mingw-w64.copyright"

zip_name=Darvell-$version-Windows-x64.zip
(cd "$tmp/pack" && zip -qr -X "$zip_name" "Darvell-$version")
cp "$tmp/pack/$zip_name" "$out/"
echo "package-windows: $(du -h "$out/$zip_name" | cut -f1)  $zip_name from $head_commit"
echo "$out/$zip_name"
