#!/usr/bin/env bash
# Start-up time: process start to the end of the first frame's swap, as the
# program's --stats reports it, over several runs in one X server.
#
#   bench/startup.sh [BUILD_DIR [RUNS]]   (build-bench, 11)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-bench}" && pwd)
runs=${2:-11}
if [ "${TEMPOLA_IN_XVFB:-}" != 1 ]; then
  # -noreset: a server that resets as its last client leaves turns away whoever
  # connects next for a moment.
  exec env TEMPOLA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0" "$build" "$runs"
fi

config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
export XDG_CONFIG_HOME=$config
export SDL_VIDEODRIVER=x11
cd "$build/data"

fromStart=()
fromMain=()
for ((r = 0; r < runs; r++)); do
  "$build/tempola" -fullscreen=0 --seconds 1 --stats 2>"$config/err" >/dev/null
  fromStart+=("$(sed -n 's/.* first_swap_ms=\([0-9.]*\).*/\1/p' "$config/err")")
  fromMain+=("$(sed -n 's/.* first_swap_from_main_ms=\([0-9.]*\).*/\1/p' "$config/err")")
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "runs: $runs"
echo "process start to first swap (ms): ${fromStart[*]}"
echo "main() to first swap (ms):        ${fromMain[*]}"
echo "median process start to first swap: $(median "${fromStart[@]}") ms"
echo "median main() to first swap:        $(median "${fromMain[@]}") ms"
