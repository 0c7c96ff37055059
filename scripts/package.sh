#!/usr/bin/env bash
# Packs the portable folder with CPack: Darvell-<version>-Linux-x86_64.tar.gz,
# top folder Darvell-<version>/, and beside it the Debian package
# darvell_<version>_amd64.deb from the same install rules. For a release it builds the committed HEAD in
# a fresh clone (uncommitted changes are not in it); with --tree it packs a
# Release tree of this checkout instead, brought up to date first (configured
# with the release preset when the folder is new), as the test run does.
#   scripts/package.sh [--tree BUILD_DIR] [OUTPUT_DIR]   (default build/package; prints the
#   package's path, then the archive's path last)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
darvell_install_deps

tree=""
if [ "${1:-}" = --tree ]; then
  tree=${2:?usage: $0 [--tree BUILD_DIR] [OUTPUT_DIR]}
  shift 2
fi
src=$PWD
out=${1:-build/package}
mkdir -p "$out"
out=$(cd "$out" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

if [ -n "$tree" ]; then
  [ -f "$tree/CMakeCache.txt" ] || cmake --preset release -B "$tree" >/dev/null
  grep -qx 'CMAKE_BUILD_TYPE:STRING=Release' "$tree/CMakeCache.txt" &&
    ! grep -qx 'DARVELL_SANITIZE:BOOL=ON' "$tree/CMakeCache.txt" ||
    { echo "package: $tree is not a Release tree without sanitizers" >&2; exit 1; }
  from="the tree $tree"
else
  source scripts/clone-head.sh
  darvell_clone_head "$src" "$tmp/src" "$tmp"
  from=$head_commit
  # A compiler cache, when the caller uses one, sees the same paths in every clone.
  if [ -n "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ]; then
    export CCACHE_BASEDIR="$tmp" CCACHE_NOHASHDIR=1
  fi
  tree=$tmp/build
  cmake -S "$tmp/src" --preset release -B "$tree" >/dev/null
fi
cmake --build "$tree" -j"$(nproc)"
(cd "$tree" && cpack -G TGZ -B "$tmp/pack" >/dev/null && cpack -G DEB -B "$tmp/pack" >/dev/null)

archive=$(find "$tmp/pack" -maxdepth 1 -name 'Darvell-*-Linux-*.tar.gz')
deb=$(find "$tmp/pack" -maxdepth 1 -name 'darvell_*_amd64.deb')
[ -n "$archive" ] || { echo "package: CPack made no archive" >&2; exit 1; }
[ -n "$deb" ] || { echo "package: CPack made no Debian package" >&2; exit 1; }
cp "$archive" "$deb" "$out/"
for f in "$deb" "$archive"; do
  echo "package: $(du -h "$f" | cut -f1)  $(basename "$f") from $from"
done
echo "$out/$(basename "$deb")"
echo "$out/$(basename "$archive")"
