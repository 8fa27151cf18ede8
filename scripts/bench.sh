#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs the whole performance suite: the state-change storm
# headless and against its row-scan baseline, the window shown with its event loop running, filling
# a group, the full refresh, the masked list and the memory per row, on demo sites of 1,000, 10,000
# and 50,000 points, and the field's report history. Results go to bench-results/ (Google Benchmark JSON and text per executable,
# the window and memory figures, the component against a plain Qt table, the machine), and a summary
# with the ratios is printed at the end.
#   bash scripts/bench.sh              the whole suite (about ten minutes on two cores)
#   QUICK=1 bash scripts/bench.sh      one repetition and a shorter storm, to try things out
# Environment: BUILD_DIR (default build-bench), OUT_DIR (default bench-results), JOBS (build jobs,
# default 2), REPS (repetitions of each Google Benchmark, default 3), STORM_SECONDS (default 5).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD_DIR=${BUILD_DIR:-$ROOT/build-bench}
OUT=${OUT_DIR:-$ROOT/bench-results}
JOBS=${JOBS:-2}
REPS=${REPS:-3}
STORM_SECONDS=${STORM_SECONDS:-5}
if [ -n "${QUICK:-}" ]; then
  REPS=1
  STORM_SECONDS=1
fi
GBENCH=(bench_statechange bench_updatelist bench_fill bench_masked)
TARGETS=("${GBENCH[@]}" bench_peer bench_window bench_switch bench_memory bench_history)

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSTATUSOBJECT_BENCH=ON >/dev/null
cmake --build "$BUILD_DIR" -j "$JOBS" --target "${TARGETS[@]}"

mkdir -p "$OUT"
{
  echo "date: $(date -u +%Y-%m-%dT%H:%M:%SZ)"
  echo "commit: $(git rev-parse --short HEAD 2>/dev/null || echo unknown)$(git diff --quiet HEAD -- src include 2>/dev/null || echo ' (with uncommitted changes under src/ or include/)')"
  echo "nproc: $(nproc)"
  echo "cpu: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
  echo "memory: $(grep -m1 MemTotal /proc/meminfo | awk '{print $2 " kB"}')"
  echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
} > "$OUT/machine.txt"
cat "$OUT/machine.txt"

export QT_QPA_PLATFORM=offscreen
for bench in "${GBENCH[@]}"; do
  echo "== $bench"
  "$BUILD_DIR/bench/$bench" --benchmark_repetitions="$REPS" --benchmark_report_aggregates_only=true \
    --benchmark_out="$OUT/$bench.json" --benchmark_out_format=json | tee "$OUT/$bench.txt"
done
echo "== bench_peer"
# Two modes in one run (headless, then shown); its last lines are the ratios to the plain Qt table.
"$BUILD_DIR/bench/bench_peer" --benchmark_repetitions="$REPS" --benchmark_report_aggregates_only=true \
  | tee "$OUT/peer.txt"
echo "== bench_window"
"$BUILD_DIR/bench/bench_window" --seconds "$STORM_SECONDS" --json "$OUT/window.json" | tee "$OUT/window.txt"
echo "== bench_switch"
"$BUILD_DIR/bench/bench_switch" --runs "$((REPS + 2))" --json "$OUT/switch.json" | tee "$OUT/switch.txt"
echo "== bench_memory"
{ "$BUILD_DIR/bench/bench_memory"; "$BUILD_DIR/bench/bench_memory" --window; } | tee "$OUT/memory.txt"
echo "== bench_history"
# An hour of field time and 30 days of segments (about 15 minutes and 6.5 GB of temporary files);
# QUICK: ten minutes and a day.
if [ -n "${QUICK:-}" ]; then HISTORY_ARGS=(--minutes 10 --days 1 --moments 5); else HISTORY_ARGS=(); fi
"$BUILD_DIR/bench/bench_history" "${HISTORY_ARGS[@]}" | tee "$OUT/history.txt"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)" >> "$OUT/machine.txt"

python3 - "$OUT" <<'PY' | tee "$OUT/summary.txt"
import json, sys, os
out = sys.argv[1]

def medians(name):
    """Median aggregate (or the single run) of every benchmark in a Google Benchmark JSON file."""
    with open(os.path.join(out, name)) as f:
        data = json.load(f)
    found = {}
    for b in data["benchmarks"]:
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        found[b.get("run_name", b["name"])] = b
    return found

def ns(b):
    scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b.get("time_unit", "ns")]
    return b["real_time"] * scale

sc = medians("bench_statechange.json")
print("State change, headless (median of repetitions)")
print(f"{'points':>7} {'rows':>7} {'mean ns':>9} {'p50 ns':>8} {'p99 ns':>9} {'scan mean ns':>13} {'scan p50 ns':>12} {'ratio mean':>11} {'ratio p50':>10} {'common p50':>11} {'common mean':>12} {'decoded p50':>12}")
for points in (1000, 10000, 50000):
    i = sc.get(f"BM_StateChange_Indexed/{points}")
    s = sc.get(f"BM_StateChange_RowScan/{points}")
    c = sc.get(f"BM_StateChange_CommonPath/{points}")
    d = sc.get(f"BM_StateChange_Decoded/{points}")
    if not i or not s or not c:
        continue
    decoded = f"{d['p50_ns']:>12.0f}" if d else f"{'-':>12}"
    print(f"{points:>7} {int(i['rows']):>7} {ns(i):>9.0f} {i['p50_ns']:>8.0f} {i['p99_ns']:>9.0f} {ns(s):>13.0f} {s['p50_ns']:>12.0f}"
          f" {ns(s)/ns(i):>10.1f}x {s['p50_ns']/i['p50_ns']:>9.1f}x {c['p50_ns']:>11.0f} {ns(c):>12.0f} {decoded}")

print("\nRow lookup alone (index vs scan of the Address column, same reports)")
for points in (1000, 10000, 50000):
    i = sc.get(f"BM_RowLookup_Index/{points}")
    s = sc.get(f"BM_RowLookup_Scan/{points}")
    if i and s:
        print(f"{points:>7} points: index {ns(i):8.0f} ns   scan {ns(s):10.0f} ns   ratio {ns(s)/ns(i):8.1f}x")

fill = medians("bench_fill.json")
print("\nGroup fill and full refresh, headless (ms, median)")
for points in (1000, 10000, 50000):
    row = [fill.get(f"{n}/{points}/real_time") for n in ("BM_SelectGroup", "BM_FillPoints", "BM_RefreshAllRows")]
    if all(row):
        print(f"{points:>7} points: select group {ns(row[0])/1e6:8.1f}   FillPoints {ns(row[1])/1e6:8.1f}   RefreshAllRows {ns(row[2])/1e6:8.1f}")

masked = medians("bench_masked.json")
print("\nMasked list (5,000 masked points)")
for name, b in masked.items():
    unit = "ms" if "Fill" in name else "ns"
    value = ns(b) / (1e6 if unit == "ms" else 1)
    print(f"  {name:<36} {value:10.1f} {unit}   rows {int(b['masked_rows'])}")

with open(os.path.join(out, "window.json")) as f:
    window = json.load(f)
print("\nWindow shown (offscreen), event loop running")
print(f"{'points':>7} {'changes/s':>10} {'p50 ns':>8} {'p99 ns':>9} {'max gap ms':>11} {'max wait ms':>12} {'paints':>7} {'fill ms':>8} {'refresh ms':>11}")
for w in window:
    print(f"{w['points']:>7} {w['changes_per_second']:>10.0f} {w['p50_ns']:>8.0f} {w['p99_ns']:>9.0f} {w['longest_paint_gap_ms']:>11.1f}"
          f" {w['longest_wait_in_sight_ms']:>12.1f} {w['paints']:>7} {w['fill_ms']:>8.1f} {w['refresh_ms']:>11.1f}")
PY
echo
grep 'bytes_per_row' "$OUT/memory.txt"
