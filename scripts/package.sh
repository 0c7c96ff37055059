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

# The checkout may belong to another user (CI builds as root): git is told to
# trust it through a private global configuration, for these commands only.
printf '[safe]\n\tdirectory = *\n' >"$tmp/gitconfig"
repo_git() { GIT_CONFIG_GLOBAL="$tmp/gitconfig" git "$@"; }
commit=$(repo_git rev-parse HEAD)
[ -z "$(repo_git status --porcelain --untracked-files=no)" ] ||
  echo "package: note: uncommitted changes are left out; packing $commit" >&2
repo_git clone --quiet --no-checkout "$src" "$tmp/src"
repo_git -C "$tmp/src" fetch --quiet "$src" "$commit"
repo_git -C "$tmp/src" -c advice.detachedHead=false checkout --quiet "$commit"

# A compiler cache, when the caller uses one, sees the same paths in every clone.
if [ -n "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ]; then
  export CCACHE_BASEDIR="$tmp" CCACHE_NOHASHDIR=1
fi
cmake -S "$tmp/src" -B "$tmp/build" -DCMAKE_BUILD_TYPE=Release -DDARVELL_TESTS=OFF >/dev/null
cmake --build "$tmp/build" -j"$(nproc)"
(cd "$tmp/build" && cpack -G TGZ -B "$tmp/pack" >/dev/null)

archive=$(find "$tmp/pack" -maxdepth 1 -name 'Darvell-*-Linux-*.tar.gz')
[ -n "$archive" ] || { echo "package: CPack made no archive" >&2; exit 1; }
cp "$archive" "$out/"
echo "package: $(du -h "$archive" | cut -f1)  $(basename "$archive") from $commit"
echo "$out/$(basename "$archive")"
