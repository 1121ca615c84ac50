#!/usr/bin/env bash
# What the lab's own work costs the redraw rate, alternated in one X server:
# the plain program, the program writing a frame log (--log), and the program
# with the cadence panel on (G pressed as soon as its window is there).
# All at 640 x 480; each figure is the program's own --stats rate.
#
#   bench/cadence.sh [BUILD_DIR [ROUNDS [SECONDS]]]   (build, 5, 10)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${2:-5}
seconds=${3:-10}
if [ "${TEMPOLA_IN_XVFB:-}" != 1 ]; then
  # -noreset: a server that resets as its last client leaves turns away whoever
  # connects next for a moment.
  exec env TEMPOLA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0" "$build" "$rounds" "$seconds"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work
export SDL_VIDEODRIVER=x11
cd "$work"

rate() { sed -n 's/.*[ ]rate=\([0-9.]*\).*/\1/p' "$work/err" | tail -1; }

declare -a plain logged panel
for ((r = 0; r < rounds; r++)); do
  "$build/tempola" -fullscreen=0 --seconds "$seconds" --stats 2>"$work/err"
  plain[r]=$(rate)
  "$build/tempola" -fullscreen=0 --seconds "$seconds" --stats --log "$work/run.csv" 2>"$work/err"
  logged[r]=$(rate)
  "$build/tempola" -fullscreen=0 --seconds "$seconds" --stats 2>"$work/err" &
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
