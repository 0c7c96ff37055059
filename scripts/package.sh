#!/usr/bin/env bash
# Builds a Release of the committed HEAD in a fresh clone and packs the portable
# folder with CPack: Darvell-<version>-Linux-x86_64.tar.gz, top folder
# Darvell-<version>/. Uncommitted changes are not in it.
#   scripts/package.sh [OUTPUT_DIR]   (default build/package; prints the archive's path last)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
darvell_install_deps

src=$PWD
out=${1:-build/package}
mkdir -p "$out"
out=$(cd "$out" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

source scripts/clone-head.sh
darvell_clone_head "$src" "$tmp/src" "$tmp"
commit=$head_commit

# A compiler cache, when the caller uses one, sees the same paths in every clone.
if [ -n "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ]; then
  export CCACHE_BASEDIR="$tmp" CCACHE_NOHASHDIR=1
fi
cmake -S "$tmp/src" --preset release -B "$tmp/build" >/dev/null
cmake --build "$tmp/build" -j"$(nproc)"
(cd "$tmp/build" && cpack -G TGZ -B "$tmp/pack" >/dev/null)

archive=$(find "$tmp/pack" -maxdepth 1 -name 'Darvell-*-Linux-*.tar.gz')
[ -n "$archive" ] || { echo "package: CPack made no archive" >&2; exit 1; }
cp "$archive" "$out/"
echo "package: $(du -h "$archive" | cut -f1)  $(basename "$archive") from $commit"
echo "$out/$(basename "$archive")"
