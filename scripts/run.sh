#!/usr/bin/env bash
# Installs what is missing, builds Darvell and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
darvell_install_deps

build=build/release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DDARVELL_TESTS=OFF
cmake --build "$build" -j"$(nproc)"
exec "$build/darvell"
