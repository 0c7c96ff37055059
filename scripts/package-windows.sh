#!/usr/bin/env bash
# Builds Darvell for 64-bit Windows (Release) from a fresh clone of the
# committed HEAD against the cached Qt for Windows (scripts/qt-windows.sh, built
# first when missing) and packs it with CPack as Darvell-<version>-Windows-x64.zip,
# one top folder Darvell-<version>/ (cmake/InstallWindows.cmake lists what it holds).
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
(cd "$tmp/build/win" && cpack -G ZIP -B "$tmp/pack" >/dev/null)
zip=$(find "$tmp/pack" -maxdepth 1 -name 'Darvell-*-Windows-x64.zip')
[ -n "$zip" ] || { echo "package-windows: CPack made no zip" >&2; exit 1; }
zip_name=$(basename "$zip")
cp "$zip" "$out/"
echo "package-windows: $(du -h "$out/$zip_name" | cut -f1)  $zip_name from $head_commit"
echo "$out/$zip_name"
