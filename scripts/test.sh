#!/usr/bin/env bash
# Installs what is missing, builds Darvell with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
darvell_install_deps

build=build/test
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DDARVELL_SANITIZE=ON -DDARVELL_TESTS=ON
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"

# The end-to-end runs drive the real program in real X windows.
if command -v Xvfb >/dev/null; then
  [ -x scripts/e2e.sh ] && scripts/e2e.sh "$build"
  # The main flow again under a real window manager: frames and focus hand-back.
  scripts/e2e-wm.sh "$build"
  scripts/e2e-second-copy.sh "$build"
  # The release archive, made from a fresh clone of HEAD, checked unpacked elsewhere.
  rm -rf "$build/package"
  scripts/package.sh "$build/package"
  scripts/e2e-package.sh "$build"/package/Darvell-*-Linux-x86_64.tar.gz "$build/package/shots"
fi
