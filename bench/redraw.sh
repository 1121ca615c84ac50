#!/usr/bin/env bash
# The program's redraw rate against two baselines, alternated in one X server:
# the scene's own Init and Render in a bare SDL2 loop (bare_loop scene), and a
# loop that only clears and swaps (bare_loop clear). All at 640 x 480.
#
#   bench/redraw.sh [BUILD_DIR [ROUNDS [SECONDS]]]   (build-bench, 3, 10)
set -euo pipefail
. "$(dirname "$0")/program_rounds.sh" "xvfb-run" "${1:-$(dirname "$0")/../build-bench}" "${2:-3}" "${3:-10}"
rounds_in_xvfb

declare -a program scene clear
for ((r = 0; r < rounds; r++)); do
  "$build/tempola" -fullscreen=0 --seconds "$seconds" --stats 2>"$config/err" >/dev/null
  program[r]=$(rate)
  "$build/bench/bare_loop" scene "$seconds" 2>"$config/err"
  scene[r]=$(rate)
  "$build/bench/bare_loop" clear "$seconds" 2>"$config/err"
  clear[r]=$(rate)
done

echo "| round | program (frames/s) | bare scene loop | clear-only loop | program / bare scene | program / clear-only |"
echo "|---|---|---|---|---|---|"
for ((r = 0; r < rounds; r++)); do
  awk -v r=$((r + 1)) -v p="${program[r]}" -v s="${scene[r]}" -v c="${clear[r]}" \
    'BEGIN { printf "| %d | %.1f | %.1f | %.1f | %.3f | %.4f |\n", r, p, s, c, p / s, p / c }'
done
awk -v p="${program[*]}" -v s="${scene[*]}" -v c="${clear[*]}" 'BEGIN {
  n = split(p, P, " "); split(s, S, " "); split(c, C, " ")
  for (i = 1; i <= n; i++) { tp += P[i]; ts += S[i]; tc += C[i] }
  printf "| mean | %.1f | %.1f | %.1f | %.3f | %.4f |\n", tp / n, ts / n, tc / n, tp / ts, tp / tc
}'
