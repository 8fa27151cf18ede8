#!/bin/bash
# Instructions per report of the field with and without its report history, all threads, under
# callgrind: bench_history's CPU run (the history attached in every other minute) dumps each
# minute's instructions under "with" or "without"; this sums them and divides by the reports.
#
#   bench/history_instructions.sh [build dir] [minutes]     (default: build 4)
set -euo pipefail
build=${1:-build}
minutes=${2:-4}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
valgrind --tool=callgrind --callgrind-out-file="$out/cg" "$build/bench/bench_history" \
    --minutes "$minutes" --cpu-only >"$out/figures" 2>"$out/valgrind"
cat "$out/figures"
with=$(awk '/^reports_with_history/ {print $2}' "$out/figures")
without=$(awk '/^reports_without_history/ {print $2}' "$out/figures")
sum() {
    local total=0 file
    for file in "$out"/cg.*; do
        if grep -q "^desc: Trigger: Client Request: $1\$" "$file"; then
            total=$((total + $(awk '/^summary:/ {print $2}' "$file")))
        fi
    done
    echo "$total"
}
iw=$(sum with)
iwo=$(sum without)
awk -v iw="$iw" -v iwo="$iwo" -v w="$with" -v wo="$without" 'BEGIN {
    printf "instructions_per_report_without_history %.0f\n", iwo / wo
    printf "instructions_per_report_with_history %.0f\n", iw / w
    printf "history_extra_instructions_percent %.1f\n", 100 * (iw / w - iwo / wo) / (iwo / wo)
}'
