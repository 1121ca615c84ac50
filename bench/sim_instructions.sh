#!/usr/bin/env bash
# Instructions a redraw of the simulator's loops, counted by cachegrind
# (repeatable on a shared machine, unlike a clock): each run's `I refs` less
# those of the same command with --seconds 0.001 (start-up and printing),
# over its redraws (frames= of its figures line). Then the page's cost: a
# modelled run with --report against the same with --stats alone.
#
#   bench/sim_instructions.sh [BUILD_DIR]   (build)
# Give OLD=DIR for a second build, measured beside it row by row.
# Exit 77: no valgrind here.
set -euo pipefail
shopt -s inherit_errexit
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
command -v valgrind >/dev/null || { echo "sim_instructions.sh: no valgrind here; skipped" >&2; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

refs() {  # BINARY ARGS...: the whole run's instructions; its output in $work/out
  local bin=$1
  shift
  # A run that failed costs only its start-up: its count would pass for a
  # figure (a page that was never written looks 30 times cheaper).
  if ! valgrind --tool=cachegrind --cache-sim=no --cachegrind-out-file=/dev/null "$bin" "$@" \
    >"$work/out" 2>"$work/err"; then
    echo "sim_instructions.sh: $bin $* failed:" >&2
    grep -Ev '^(==|--)[0-9]+(==|--)' "$work/err" >&2
    exit 1
  fi
  awk '/I *refs/ { gsub(",", "", $NF); print $NF }' "$work/err"
}

per_redraw() {  # BINARY SECONDS ARGS...
  local bin=$1 seconds=$2 whole frames base
  shift 2
  whole=$(refs "$bin" "$@" --seconds "$seconds" --stats)
  frames=$(grep -o 'frames=[0-9]*' "$work/out" | cut -d= -f2)
  base=$(refs "$bin" "$@" --seconds 0.001 --stats)
  awk -v w="$whole" -v b="$base" -v f="$frames" 'BEGIN { printf "%.1f", (w - b) / f }'
}

rows=(
  "500|--display-hz 60 --jitter 2"
  "500|--jitter 2"
  "500|--display-hz 60 --limit 1000 --render-ms 0.5 --render-jitter-ms 0.5"
  "500|--display-hz 60 --limit 1000 --render-ms 0.5 --render-jitter-ms 0.5 --limiter sleep --wake-late-us 100:160"
  "5000|--display-hz 60 --redraw 60 --jitter 2"
  "5000|--display-hz 60 --limit 60 --render-ms 1.5 --render-jitter-ms 2"
  "5000|--display-hz 60 --limit display --render-ms 1.5 --render-jitter-ms 2"
)
echo "instructions a redraw${OLD:+ (old | now)}"
for row in "${rows[@]}"; do
  seconds=${row%%|*}
  read -r -a args <<<"${row#*|}"
  now=$(per_redraw "$build/tempola-sim" "$seconds" "${args[@]}")
  if [ -n "${OLD:-}" ]; then
    old=$(per_redraw "$OLD/tempola-sim" "$seconds" "${args[@]}")
    printf '%8s | %8s  %s --seconds %s\n' "$old" "$now" "${row#*|}" "$seconds"
  else
    printf '%8s  %s --seconds %s\n' "$now" "${row#*|}" "$seconds"
  fi
done

page=(--redraw 1000 --display-hz 60 --jitter 2 --seconds 300)
stats=$(refs "$build/tempola-sim" "${page[@]}" --stats)
report=$(refs "$build/tempola-sim" "${page[@]}" --report "$work/page.html")
echo "page: ${page[*]}: --stats $stats, --report $report"
awk -v s="$stats" -v r="$report" 'BEGIN { printf "page_cost_ratio=%.3f (goal <= 2)\n", r / s }'
