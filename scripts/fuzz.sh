#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]     (default 60 s, all targets)
# The corpora live in tests/fuzz/corpus/<target>/ and are minimised after the
# run; an input that crashes is kept there as a regression case as well as in
# build/fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
darvell_install_deps "${DARVELL_FUZZ_PACKAGES[@]}"

seconds=${1:-${FUZZ_SECONDS:-60}}
shift || true
build=build/fuzz
if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for src in tests/fuzz/Fuzz*.cpp; do targets+=("$(basename "$src" .cpp)"); done
fi

cmake --preset fuzz >/dev/null # clang, in build/fuzz
nice -n 10 cmake --build "$build" --target "${targets[@]}" -j"$(nproc)"

export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen
mkdir -p "$build/crashes" "$build/logs"
summary=()
failed=0
for t in "${targets[@]}"; do
  corpus=tests/fuzz/corpus/$t
  mkdir -p "$corpus"
  log=$build/logs/$t.log
  echo "== $t: $seconds s"
  status=0
  nice -n 10 "$build/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/crashes/$t-" -print_final_stats=1 "$corpus" >"$log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1)
  crashes=$(find "$build/crashes" -name "$t-*" | wc -l)
  if [ "$status" -ne 0 ]; then
    failed=1
    tail -40 "$log"
    for c in "$build/crashes/$t-"*; do [ -e "$c" ] && cp "$c" "$corpus/"; done
  fi
  # Keep the corpus small: only inputs that add coverage stay.
  tmp=$(mktemp -d)
  nice -n 10 "$build/$t" -merge=1 "$tmp" "$corpus" >>"$log" 2>&1 && {
    find "$corpus" -type f ! -name 'crash-*' ! -name 'seed-*' -delete
    cp "$tmp"/* "$corpus/" 2>/dev/null || true
  }
  rm -rf "$tmp"
  summary+=("$(printf '%-20s exit %-3s executions %-10s %-22s crash files %s  corpus %s' \
    "$t" "$status" "${execs:-?}" "${cov:-?}" "$crashes" "$(ls "$corpus" | wc -l)")")
done
echo
printf '%s\n' "${summary[@]}"
exit $failed
