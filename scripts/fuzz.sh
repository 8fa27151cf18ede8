#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer) and runs
# each for a set time, one after the other.
#   bash scripts/fuzz.sh                 every target for 60 seconds
#   bash scripts/fuzz.sh 600             every target for 10 minutes
#   bash scripts/fuzz.sh 600 tsql layout only those targets
#   MERGE=1 bash scripts/fuzz.sh 600     afterwards, add the inputs that reached new code to
#                                        fuzz/corpus/<target> (libFuzzer's -merge=1)
# Environment: BUILD_DIR (default build-fuzz), JOBS (build jobs).
# Each run starts from fuzz/corpus/<target> and fuzz/regressions/<target> (read, never written);
# new inputs go to $BUILD_DIR/fuzz/work/<target>, crashes to $BUILD_DIR/fuzz/findings/, the
# fuzzer's output to $BUILD_DIR/fuzz/logs/<target>.log. A finding fails the script; keep its input
# under fuzz/regressions/<target>/ once the fault is fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
SECONDS_PER_TARGET=${1:-60}
shift || true
ALL_TARGETS=(tsql layout address statustext statechange syncpipe)
if [ $# -gt 0 ]; then TARGETS=("$@"); else TARGETS=("${ALL_TARGETS[@]}"); fi
BUILD_DIR=${BUILD_DIR:-build-fuzz}
JOBS=${JOBS:-$(nproc)}
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSTATUSOBJECT_FUZZ=ON -DSTATUSOBJECT_SANITIZE=ON -DSTATUSOBJECT_BENCH=OFF >/dev/null
cmake --build "$BUILD_DIR" -j"$JOBS" --target "${TARGETS[@]/#/fuzz_}"

OUT=$BUILD_DIR/fuzz
mkdir -p "$OUT/logs" "$OUT/findings"
failed=0
printf '%-12s %8s %12s %8s %10s  %s\n' target seconds runs cov features result
for t in "${TARGETS[@]}"; do
  work=$OUT/work/$t
  mkdir -p "$work"
  inputs=("$work" "$ROOT/fuzz/corpus/$t")
  [ -d "$ROOT/fuzz/regressions/$t" ] && inputs+=("$ROOT/fuzz/regressions/$t")
  log=$OUT/logs/$t.log
  result=clean
  if ! "$BUILD_DIR/fuzz/fuzz_$t" -max_total_time="$SECONDS_PER_TARGET" -timeout=20 -rss_limit_mb=4096 \
      -print_final_stats=1 -artifact_prefix="$OUT/findings/$t-" "${inputs[@]}" >"$log" 2>&1; then
    result="FINDING (see $log)"
    failed=1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo "?")
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo "?")
  printf '%-12s %8s %12s %8s %10s  %s\n' "$t" "$SECONDS_PER_TARGET" "$runs" "$cov" "$ft" "$result"
  if [ "${MERGE:-0}" = "1" ]; then
    "$BUILD_DIR/fuzz/fuzz_$t" -merge=1 "$ROOT/fuzz/corpus/$t" "$work" >>"$log" 2>&1
  fi
done
exit $failed
