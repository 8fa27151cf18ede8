#!/usr/bin/env bash
# Runs the suite (scripts/test.sh) with CPU-bound processes beside it, as on a shared or busy
# machine, several times in a row; stops at the first red run.
#   bash scripts/test-under-load.sh              three runs of the whole suite, two busy processes
#   RUNS=1 HOGS=4 bash scripts/test-under-load.sh
# Anything scripts/test.sh reads (SANITIZE, JOBS) passes through.
set -euo pipefail
cd "$(dirname "$0")/.."
RUNS=${RUNS:-3}
HOGS=${HOGS:-2}

hogs=()
stop_hogs() {
  for pid in "${hogs[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
}
trap stop_hogs EXIT
for ((i = 0; i < HOGS; ++i)); do
  # A shell loop that never sleeps: one core kept busy.
  bash -c 'while :; do :; done' &
  hogs+=("$!")
done

for ((run = 1; run <= RUNS; ++run)); do
  echo "== run $run of $RUNS beside $HOGS busy processes (load $(cut -d' ' -f1 /proc/loadavg))"
  start=$(date +%s)
  if ! bash scripts/test.sh; then
    echo "== run $run of $RUNS FAILED under load"
    exit 1
  fi
  echo "== run $run of $RUNS passed in $(($(date +%s) - start)) s"
done
echo "== $RUNS of $RUNS runs passed beside $HOGS busy processes"
