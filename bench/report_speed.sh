#!/usr/bin/env bash
# What a report of a long run costs: a frame log of a million redraws (1 kHz,
# 0.5 ms of jitter, a 60 Hz display, a 120 ms stall every 10 s) replayed with
# --stats alone and with --report, in alternated rounds; the page's size;
# and how long headless Chromium takes from the page's start to every chart
# drawn (the page's own data-ready-ms), and its whole run.
#
#   bench/report_speed.sh [BUILD_DIR [ROUNDS]]   (build, 5)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
rounds=${2:-5}
sim=$build/tempola-sim
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$sim" --seconds 1013 --redraw 1000 --jitter 0.5 --stall 10000:120 --display-hz 60 \
  --log "$work/run.csv" >/dev/null
rows=$(($(wc -l <"$work/run.csv") - 1))
echo "frame log: $rows redraws, $(du -m "$work/run.csv" | cut -f1) MB"

calc() { awk "BEGIN { print $1 }"; }
since() { calc "$(date +%s.%N) - $1"; }
seconds() {  # wall seconds of a command, its output dropped
  local start
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  since "$start"
}

browse() {
  timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-dev-shm-usage \
    --no-first-run --user-data-dir="$work/profile" "$@" 2>/dev/null
}

echo "| round | replay --stats (s) | replay --report (s) | ratio | page (MB) | Chromium: page start to charts drawn (ms) | Chromium run (s) |"
echo "|---|---|---|---|---|---|---|"
for round in $(seq 1 "$rounds"); do
  # Every other round the other way round: neither goes first each time.
  if [ $((round % 2)) = 1 ]; then
    plain=$(seconds "$sim" --replay "$work/run.csv" --stats)
    report=$(seconds "$sim" --replay "$work/run.csv" --stats --report "$work/run.html")
  else
    report=$(seconds "$sim" --replay "$work/run.csv" --stats --report "$work/run.html")
    plain=$(seconds "$sim" --replay "$work/run.csv" --stats)
  fi
  size=$(calc "$(stat -c %s "$work/run.html") / 1048576")
  start=$(date +%s.%N)
  drawn=$(browse --virtual-time-budget=10000 --dump-dom "file://$work/run.html" |
    grep -o 'data-ready-ms="[0-9]*"' | grep -o '[0-9]*' || echo "none")
  browser=$(since "$start")
  printf '| %d | %.3f | %.3f | %.2f | %.2f | %s | %.2f |\n' "$round" "$plain" "$report" \
    "$(calc "$report / $plain")" "$size" "$drawn" "$browser"
done

# Every rule over the same million redraws: six runs on one page.
start=$(date +%s.%N)
"$sim" --replay "$work/run.csv" --compare-rules --report "$work/rules.html" >/dev/null 2>&1
made=$(since "$start")
drawn=$(browse --virtual-time-budget=10000 --dump-dom "file://$work/rules.html" |
  grep -o 'data-ready-ms="[0-9]*"' | grep -o '[0-9]*' || echo "none")
printf 'compare-rules: page written in %.2f s, %.2f MB, charts drawn %s ms after its start\n' \
  "$made" "$(calc "$(stat -c %s "$work/rules.html") / 1048576")" "$drawn"
