#!/usr/bin/env bash
# --summary over a folder of 40 captures (the simulator's own frame logs, 1 kHz
# with 0.5 ms of jitter and a 60 Hz display), with --threads 1 and with every
# core, alternated over rounds: the speedup (median of the rounds) and the CSV
# replay rate on one core.
#
#   bench/summary_speed.sh [BUILD_DIR [ROUNDS [SECONDS]]]   (build, 3, 60 s a capture)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
rounds=${2:-3}
length=${3:-60}
sim=$build/tempola-sim
work=$(mktemp -d)
out=$(mktemp)
trap 'rm -rf "$work" "$out"' EXIT

for i in $(seq -w 1 40); do
  "$sim" --seconds "$length" --redraw 1000 --jitter 0.5 --display-hz 60 --seed "$((10#$i))" \
    --log "$work/run$i.csv" >/dev/null
done
bytes=$(cat "$work"/run*.csv | wc -c)
cores=$(nproc)
echo "40 captures, $(awk "BEGIN { printf \"%.1f\", $bytes / 1e6 }") MB; $cores cores"

seconds() {  # wall seconds of a command, its output dropped; exit 2 would be a bad capture
  local start
  start=$(date +%s.%N)
  "$@" >"$out" 2>/dev/null
  awk "BEGIN { print $(date +%s.%N) - $start }"
}

echo "| round | --threads 1 (s) | every core (s) | speedup | one core, MB/s |"
echo "|---|---|---|---|---|"
speedups=()
for round in $(seq 1 "$rounds"); do
  # Every other round the other way round: neither goes first each time.
  if [ $((round % 2)) = 1 ]; then
    one=$(seconds "$sim" --summary "$work" --threads 1)
    all=$(seconds "$sim" --summary "$work")
  else
    all=$(seconds "$sim" --summary "$work")
    one=$(seconds "$sim" --summary "$work" --threads 1)
  fi
  [ "$(grep -c . "$out")" -eq 41 ] || { echo "not a row per capture"; exit 1; }
  speedup=$(awk "BEGIN { printf \"%.2f\", $one / $all }")
  speedups+=("$speedup")
  printf '| %d | %.3f | %.3f | %s | %.0f |\n' "$round" "$one" "$all" "$speedup" \
    "$(awk "BEGIN { print $bytes / 1e6 / $one }")"
done
median=$(printf '%s\n' "${speedups[@]}" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
echo "median speedup on $cores cores: $median"
