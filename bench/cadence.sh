#!/usr/bin/env bash
# What the lab's own work costs the redraw rate, alternated in one X server:
# the plain program, the program writing a frame log (--log), and the program
# with the cadence panel on (G pressed as soon as its window is there).
# All at 640 x 480; each figure is the program's own --stats rate.
#
#   bench/cadence.sh [BUILD_DIR [ROUNDS [SECONDS]]]   (build, 5, 10)
set -euo pipefail
. "$(dirname "$0")/program_rounds.sh" "xvfb-run xdotool" "${1:-}" "${2:-5}" "${3:-10}"
rounds_in_xvfb

declare -a plain logged panel
for ((r = 0; r < rounds; r++)); do
  "$build/tempola" -fullscreen=0 --seconds "$seconds" --stats 2>"$config/err"
  plain[r]=$(rate)
  "$build/tempola" -fullscreen=0 --seconds "$seconds" --stats --log "$config/run.csv" 2>"$config/err"
  logged[r]=$(rate)
  "$build/tempola" -fullscreen=0 --seconds "$seconds" --stats 2>"$config/err" &
  pid=$!
  wid=$(xdotool search --sync --pid "$pid" | head -1)
  xdotool key --window "$wid" g
  wait "$pid"
  panel[r]=$(rate)
done

echo "command: bench/cadence.sh $build $rounds $seconds"
echo "machine: $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1), $(glxinfo -B 2>/dev/null | sed -n 's/.*OpenGL renderer string: //p' || true)"
echo
echo "| round | plain (frames/s) | --log | panel on | --log / plain | panel / plain |"
echo "|---|---|---|---|---|---|"
for ((r = 0; r < rounds; r++)); do
  awk -v r=$((r + 1)) -v p="${plain[r]}" -v l="${logged[r]}" -v g="${panel[r]}" \
    'BEGIN { printf "| %d | %.1f | %.1f | %.1f | %.3f | %.3f |\n", r, p, l, g, l / p, g / p }'
done
awk -v p="${plain[*]}" -v l="${logged[*]}" -v g="${panel[*]}" 'BEGIN {
  n = split(p, P, " "); split(l, L, " "); split(g, G, " ")
  for (i = 1; i <= n; i++) { tp += P[i]; tl += L[i]; tg += G[i] }
  printf "| mean | %.1f | %.1f | %.1f | %.3f | %.3f |\n", tp / n, tl / n, tg / n, tl / tp, tg / tp
}'
