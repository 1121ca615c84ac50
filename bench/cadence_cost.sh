#!/usr/bin/env bash
# bench/cadence_cost in a window of its own X server, from the build's data
# folder. Its last two lines are log_ratio= and panel_ratio=.
#
#   bench/cadence_cost.sh [BUILD_DIR [CYCLES [SECONDS]]]   (build, 12, 1)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
cycles=${2:-12}
seconds=${3:-1}
if [ "${TEMPOLA_IN_XVFB:-}" != 1 ]; then
  # -noreset: a server that resets as its last client leaves turns away whoever
  # connects next for a moment.
  exec env TEMPOLA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0" "$build" "$cycles" "$seconds"
fi
export SDL_VIDEODRIVER=x11
cd "$build/data"
exec "$build/bench/cadence_cost" "$cycles" "$seconds"
