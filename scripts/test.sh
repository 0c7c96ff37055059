#!/usr/bin/env bash
# Installs what is missing, builds the test tree (the test preset: Debug with
# AddressSanitizer and UndefinedBehaviorSanitizer) and the Release tree (the
# release preset, which the archive is packed from), each once, and runs every
# test through CTest one label after the other: unit, team, stress, e2e, package, and
# windows when Qt for Windows is cached. Each label runs to its end even after a failure
# elsewhere; the run ends with the time of each step and fails if any did.
set -euo pipefail
cd "$(dirname "$0")/.."
begin=$SECONDS
source scripts/deps.sh
darvell_install_deps
source scripts/windows-env.sh

jobs=$(nproc)
times=()
failed=()
took() { times+=("$(printf '  %-16s %4d s%s' "$1" $((SECONDS - $2)) "${3:-}")"); }
took "set-up" "$begin"

start=$SECONDS
cmake --preset test >/dev/null
cmake --build --preset test -j"$jobs"
took "build test" "$start"

label() { # LABEL
  local start=$SECONDS
  echo "==== $1 tests"
  if ctest --test-dir build/test -L "^$1\$" --output-on-failure -j"$jobs"; then
    took "$1" "$start"
  else
    took "$1" "$start" "  FAILED"
    failed+=("$1")
  fi
}
label unit
# The plant history's schema on a private PostgreSQL server.
label team
# The history's crash and two-writer runs: a minute of writes and kills.
label stress

# The end-to-end runs mostly wait for their windows: the Release tree builds
# meanwhile, at low priority (its output in build/release/build.log).
cmake --preset release >/dev/null
release_start=$SECONDS
setsid nice -n 10 cmake --build --preset release -j"$jobs" >build/release/build.log 2>&1 &
release_pid=$!
trap 'kill -- "-$release_pid" 2>/dev/null || true' EXIT
label e2e
if wait "$release_pid"; then
  took "build release" "$release_start" "  (low priority, beside e2e)"
  label package
else
  took "build release" "$release_start" "  FAILED"
  failed+=("build release")
  tail -n 40 build/release/build.log >&2
  echo "package tests skipped: the Release tree did not build (build/release/build.log)" >&2
fi
trap - EXIT

# The Windows folder, built and proven under Wine, once Qt for Windows is cached
# (building that takes about an hour, too long for every run).
if [ -f "$(darvell_windows_qt_dir)/.complete" ]; then
  label windows
else
  echo "Windows checks skipped: no Qt for Windows cached yet (build it with scripts/qt-windows.sh)."
  times+=("  windows          skipped (no Qt for Windows cached)")
fi

echo "==== times (nproc $jobs)"
printf '%s\n' "${times[@]}"
took "total" "$begin"
echo "${times[-1]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}" >&2
  exit 1
fi
