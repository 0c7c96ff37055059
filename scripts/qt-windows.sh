#!/usr/bin/env bash
# Builds Qt for 64-bit Windows (Core, Gui, Widgets, PrintSupport, Test, the
# windows platform plugin and the windowsvista style) from Debian's qt6-base
# source with MinGW-w64, and installs it into a cache outside the work tree:
# ~/.cache/darvell/qt-<version>-mingw64, or where DARVELL_QT_WINDOWS says.
# A second call finds the cache and returns at once.
#   scripts/qt-windows.sh        (prints the cache's path last)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/windows-env.sh
darvell_install_windows_deps

cache=$(darvell_windows_qt_dir)
if [ -f "$cache/.complete" ]; then
  echo "qt-windows: cached in $cache"
  echo "$cache"
  exit 0
fi

# apt-get source needs a deb-src entry: one modelled on the system's own.
darvell_enable_deb_src qt6-base-dev

toolchain=$PWD/cmake/mingw-w64-x86_64.cmake
work=${DARVELL_QT_WINDOWS_WORK:-$HOME/.cache/darvell/qt-windows-build}
rm -rf "$work"
mkdir -p "$work"
start=$(date +%s)
(cd "$work" && apt-get source -q "qt6-base=$(dpkg-query -W -f='${Version}' qt6-base-dev)")
src=$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
[ -n "$src" ] || { echo "qt-windows: apt-get source gave no qt6-base folder" >&2; exit 1; }

# With OpenGL off, Qt 6.4.2's windows platform plugin still asks the dynamic GL
# loader whether it runs software GL: that question goes under the OpenGL switch.
sed -i '/^static inline bool isSoftwareGl()/,/^}/ s/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
  "$src/src/plugins/platforms/windows/qwindowswindow.cpp"

# Debian's tarball leaves out src/3rdparty/wintab, which only tablet input uses:
# tablet events are off. DirectWrite's font engine is built only beside Direct2D,
# and PrintSupport links it, so Direct2D stays on.
cmake -G Ninja -S "$src" -B "$work/build" \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$cache" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
  -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
  -DQT_BUILD_BENCHMARKS=OFF -DQT_BUILD_MANUAL_TESTS=OFF \
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF \
  -DFEATURE_concurrent=OFF -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF \
  -DFEATURE_icu=OFF -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=ON \
  -DFEATURE_jpeg=OFF -DFEATURE_gif=ON \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_freetype=OFF \
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_doubleconversion=OFF \
  -DFEATURE_testlib=ON
cmake --build "$work/build" -j"$(nproc)"
cmake --install "$work/build"
# The licence texts that ship beside the program, and where the source came from.
mkdir -p "$cache/licenses"
cp "$src"/LICENSES/LGPL-3.0-only.txt "$src"/LICENSES/GPL-3.0-only.txt "$cache/licenses/" 2>/dev/null ||
  cp "$src"/LICENSE.LGPL3 "$src"/LICENSE.GPL3 "$cache/licenses/"
cp "$src/debian/copyright" "$cache/licenses/qt6-base.copyright"
basename "$src" >"$cache/licenses/qt6-base.source"
rm -rf "$work"
end=$(date +%s)
echo "built in $(( (end - start) / 60 )) min, $(du -sh "$cache" | cut -f1) installed" >"$cache/.complete"
echo "qt-windows: $(cat "$cache/.complete"): $cache"
echo "$cache"
