#!/usr/bin/env bash
# Compares the speed of two revisions in one run, so that a change meant to leave the speed alone
# can be shown to be within the noise on a machine whose load drifts.
#
# Builds the benchmarks of REV_A and REV_B (Release) in scratch worktrees and runs them in turns,
# A B in odd rounds and B A in even ones, so a load that rises or falls during the run weighs on
# both alike. Each round takes:
#   - a state change at POINTS points, headless: bench_statechange's BM_StateChange_Indexed (the
#     CPU time per call and the median of the individually timed calls);
#   - choosing "Entire Site" with the window shown: bench_switch (the median of its runs' wall and
#     CPU times).
# It prints every round's figures and ratio B / A (below 1: B is faster) and the median ratio of
# the rounds. With CALLGRIND=1 it also counts, once per revision and under callgrind, the
# instructions per state change and those of the group loads of one bench_switch run, at
# CALLGRIND_POINTS points: unaffected by the load, they vary only by the address hash's seed,
# drawn per process (a few per thousand).
#
#   bash bench/compare.sh REV_A REV_B            e.g. bash bench/compare.sh main~5 main
# Environment: ROUNDS (default 5), POINTS (default 50000), SWITCH_RUNS (runs per round, default 3),
# CALLGRIND=1 and CALLGRIND_POINTS (default 10000), WORK_DIR (default build-compare), JOBS (build
# jobs, default 2), KEEP=1 keeps the scratch worktrees and their builds afterwards.
set -euo pipefail
if [ $# -ne 2 ]; then
  sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'
  exit 2
fi
cd "$(dirname "$0")/.."
ROOT=$PWD
WORK=${WORK_DIR:-$ROOT/build-compare}
ROUNDS=${ROUNDS:-5}
POINTS=${POINTS:-50000}
SWITCH_RUNS=${SWITCH_RUNS:-3}
CALLGRIND_POINTS=${CALLGRIND_POINTS:-10000}
JOBS=${JOBS:-2}
# A file path in a scratch tree differs only in the tree's own folder: relative to it, compiler
# caches such as ccache find what the other tree (or an earlier run) compiled.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$WORK}
export QT_QPA_PLATFORM=offscreen

declare -A REV TREE
REV[A]=$(git rev-parse --verify --quiet "$1^{commit}") || { echo "compare.sh: no revision $1" >&2; exit 2; }
REV[B]=$(git rev-parse --verify --quiet "$2^{commit}") || { echo "compare.sh: no revision $2" >&2; exit 2; }
NAME_A=$1
NAME_B=$2

cleanup() {
  if [ -z "${KEEP:-}" ]; then
    for side in A B; do
      [ -n "${TREE[$side]:-}" ] && git worktree remove --force "${TREE[$side]}" >/dev/null 2>&1 || true
    done
    git worktree prune
  fi
}
trap cleanup EXIT

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
mkdir -p "$WORK"
for side in A B; do
  TREE[$side]=$WORK/$side
  if [ -d "${TREE[$side]}" ]; then
    git worktree remove --force "${TREE[$side]}" 2>/dev/null || rm -rf "${TREE[$side]}"
    git worktree prune
  fi
  git worktree add --detach --quiet "${TREE[$side]}" "${REV[$side]}"
  echo "== building $side = $(git log -1 --format='%h %s' "${REV[$side]}" | cut -c1-80)"
  log=$WORK/build-$side.log
  if ! { cmake -S "${TREE[$side]}" -B "${TREE[$side]}/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
           -DSTATUSOBJECT_BENCH=ON "${launcher[@]}" &&
         cmake --build "${TREE[$side]}/build" -j "$JOBS" --target bench_statechange bench_switch; } >"$log" 2>&1; then
    tail -n 30 "$log" >&2
    echo "compare.sh: $side (${REV[$side]:0:9}) did not build; the whole output is in $log" >&2
    exit 1
  fi
done

OUT=$WORK/results
rm -rf "$OUT"
mkdir -p "$OUT"
echo "date: $(date -u +%Y-%m-%dT%H:%M:%SZ), nproc: $(nproc), cpu: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "A = $NAME_A (${REV[A]:0:9}), B = $NAME_B (${REV[B]:0:9}); load before: $(cut -d' ' -f1-3 /proc/loadavg)"

run_side() {  # side round
  local dir=${TREE[$1]}/build/bench
  "$dir/bench_statechange" --benchmark_filter="^BM_StateChange_Indexed/$POINTS\$" \
    --benchmark_out="$OUT/statechange-$1-$2.json" --benchmark_out_format=json >"$OUT/statechange-$1-$2.log" 2>&1
  "$dir/bench_switch" --points "$POINTS" --runs "$SWITCH_RUNS" --json "$OUT/switch-$1-$2.json" \
    >"$OUT/switch-$1-$2.log" 2>&1
}

for round in $(seq 1 "$ROUNDS"); do
  if [ $((round % 2)) -eq 1 ]; then order=(A B); else order=(B A); fi
  for side in "${order[@]}"; do
    run_side "$side" "$round"
  done
  echo "round $round of $ROUNDS done (${order[*]}), load $(cut -d' ' -f1 /proc/loadavg)"
done

if [ -n "${CALLGRIND:-}" ]; then
  for side in A B; do
    # Every function collected, so the calls into StateChange and their inclusive cost are recorded.
    valgrind --tool=callgrind --callgrind-out-file="$OUT/callgrind-statechange-$side.out" \
      "${TREE[$side]}/build/bench/bench_statechange" --benchmark_filter="^BM_StateChange_Indexed/$CALLGRIND_POINTS\$" \
      --benchmark_min_time=0.01 >"$OUT/callgrind-statechange-$side.log" 2>&1
    valgrind --tool=callgrind --callgrind-out-file="$OUT/callgrind-switch-$side.out" \
      "${TREE[$side]}/build/bench/bench_switch" --points "$CALLGRIND_POINTS" --runs 1 \
      >"$OUT/callgrind-switch-$side.log" 2>&1
  done
fi
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

python3 - "$OUT" "$ROUNDS" "$POINTS" "$CALLGRIND_POINTS" <<'PY'
import json, os, re, statistics, sys
out, rounds, points, cg_points = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]

def statechange(side, r):
    with open(os.path.join(out, f"statechange-{side}-{r}.json")) as f:
        b = next(b for b in json.load(f)["benchmarks"] if b.get("run_type", "iteration") == "iteration")
    scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b.get("time_unit", "ns")]
    return {"cpu ns/call": b["cpu_time"] * scale, "p50 ns": b["p50_ns"]}

def switch(side, r):
    with open(os.path.join(out, f"switch-{side}-{r}.json")) as f:
        s = json.load(f)
    return {"wall ms": s["total_median_ms"], "cpu ms": s["cpu_median_ms"]}

for title, read in ((f"State change at {points} points, headless (BM_StateChange_Indexed)", statechange),
                    (f'"Entire Site" switch at {points} points, window shown (bench_switch, median of its runs)', switch)):
    print(f"\n{title}")
    figures = list(read("A", 1))
    print(f"{'round':>5}  " + "  ".join(f"{name + ' A':>14} {name + ' B':>14} {'B/A':>6}" for name in figures))
    ratios = {name: [] for name in figures}
    for r in range(1, rounds + 1):
        a, b = read("A", r), read("B", r)
        cells = []
        for name in figures:
            ratios[name].append(b[name] / a[name])
            cells.append(f"{a[name]:>14.1f} {b[name]:>14.1f} {b[name] / a[name]:>6.3f}")
        print(f"{r:>5}  " + "  ".join(cells))
    print("median B/A: " + ", ".join(f"{name} {statistics.median(v):.3f} (rounds {min(v):.3f}-{max(v):.3f})"
                                     for name, v in ratios.items()))

def inclusive(path, function):
    """The calls of function (its name up to the "(") and their inclusive instructions, from a
    callgrind output file."""
    names, calls, cost = {}, 0, 0
    target, pending = False, False
    with open(path) as f:
        for line in f:
            m = re.match(r"(c?fn)=\((\d+)\)(?: (.*))?", line)
            if m:
                if m.group(3):
                    names[m.group(2)] = m.group(3).strip()
                target = m.group(1) == "cfn" and names.get(m.group(2), "").startswith(function + "(")
                continue
            if line.startswith("calls="):
                pending = target
                if target:
                    calls += int(line.split()[0][len("calls="):])
                continue
            if pending:
                cost += int(line.split()[1])
                pending = False
    return calls, cost

def cg(kind, side):
    return os.path.join(out, f"callgrind-{kind}-{side}.out")

if os.path.exists(cg("statechange", "A")):
    print(f"\nInstructions at {cg_points} points (callgrind, inclusive; a few per thousand from run to run)")
    (calls_a, a), (calls_b, b) = (inclusive(cg("statechange", s), "so::Status::StateChange") for s in "AB")
    if calls_a and calls_b:
        print(f"  per state change (Status::StateChange, {calls_a} / {calls_b} calls): "
              f"A {a / calls_a:.0f}, B {b / calls_b:.0f}, B/A {(b / calls_b) / (a / calls_a):.3f}")
    (calls_a, a), (calls_b, b) = (inclusive(cg("switch", s), "so::StatusWindow::reloadSelectedGroup") for s in "AB")
    if calls_a and calls_b and calls_a == calls_b:
        print(f"  group loads of one bench_switch run (StatusWindow::reloadSelectedGroup, {calls_a} calls): "
              f"A {a / 1e6:.1f} M, B {b / 1e6:.1f} M, B/A {b / a:.3f}")
    else:
        print("  group loads of one bench_switch run: StatusWindow::reloadSelectedGroup not found in both")
PY
