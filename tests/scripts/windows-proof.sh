#!/usr/bin/env bash
# The Windows folder, proven under Wine, once Qt for Windows is cached (building
# that takes about an hour, too long for a test); without the cache it says so
# and ends with status 77, which CTest counts as skipped.
# One cross build of these sources (the windows preset, in build/windows, its
# bitmaps drawn by the generators of the Release tree): its core tests run
# under Wine through CTest, CPack packs the zip from it, and e2e-windows.sh
# drives the unpacked program; with libpq for Windows cached (scripts/pq-windows.sh),
# it syncs with a server over TLS and the probe is refused where TLS must refuse.
#   windows-proof.sh OUT_DIR   (the zip in OUT_DIR/package-windows, the proof's shots in OUT_DIR/windows)
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
out=$(mkdir -p "${1:?usage: $0 OUT_DIR}" && cd "$1" && pwd)
source "$src/scripts/windows-env.sh"
if [ ! -f "$(darvell_windows_qt_dir)/.complete" ]; then
  echo "Windows checks skipped: no Qt for Windows cached in $(darvell_windows_qt_dir) (build it with scripts/qt-windows.sh)."
  exit 77
fi
darvell_windows_qt
darvell_windows_sqlite
darvell_windows_pq
cd "$src"
# The host generators: the Release tree has them once the run has built it.
if [ ! -x build/release/darvell-makebitmaps ] || [ ! -x build/release/darvell-makeicons ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release -j"$(nproc)" --target darvell-makebitmaps darvell-makeicons
fi
DARVELL_QT_WINDOWS=$qt_windows DARVELL_SQLITE_WINDOWS=$sqlite_windows DARVELL_PQ_WINDOWS=$pq_windows \
  cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)"
echo "windows-proof: the core tests under Wine"
ctest --preset windows -j"$(nproc)"
rm -rf "$out/package-windows"
(cd build/windows && cpack -G ZIP -B "$out/package-windows" >/dev/null)
zip=$(find "$out/package-windows" -maxdepth 1 -name 'Darvell-*-Windows-x64.zip')
[ -n "$zip" ] || { echo "windows-proof: CPack made no zip" >&2; exit 1; }
[ -n "$pq_windows" ] || echo "windows-proof: the team server skipped (no libpq for Windows cached)"
"$src/scripts/e2e-windows.sh" "$zip" "$out/windows" ${pq_windows:+"$src/build/windows/darvell-pqprobe.exe"}
