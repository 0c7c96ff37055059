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
commit=$(git rev-parse HEAD)
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
  echo "package: note: uncommitted changes are left out; packing $commit" >&2

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
git clone --quiet --no-checkout "$src" "$tmp/src"
git -C "$tmp/src" fetch --quiet "$src" "$commit"
git -C "$tmp/src" -c advice.detachedHead=false checkout --quiet "$commit"

# A compiler cache, when the caller uses one, sees the same paths in every clone.
[ -n "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && export CCACHE_BASEDIR="$tmp" CCACHE_NOHASHDIR=1
cmake -S "$tmp/src" -B "$tmp/build" -DCMAKE_BUILD_TYPE=Release -DDARVELL_TESTS=OFF >/dev/null
cmake --build "$tmp/build" -j"$(nproc)"
(cd "$tmp/build" && cpack -G TGZ -B "$tmp/pack" >/dev/null)

archive=$(find "$tmp/pack" -maxdepth 1 -name 'Darvell-*-Linux-*.tar.gz')
[ -n "$archive" ] || { echo "package: CPack made no archive" >&2; exit 1; }
cp "$archive" "$out/"
echo "package: $(du -h "$archive" | cut -f1)  $(basename "$archive") from $commit"
echo "$out/$(basename "$archive")"
