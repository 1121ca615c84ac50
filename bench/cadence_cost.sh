#!/usr/bin/env bash
# bench/cadence_cost in a window of its own X server. Its last two lines are
# log_ratio= and panel_ratio=.
#
#   bench/cadence_cost.sh [BUILD_DIR [CYCLES [SECONDS]]]   (build, 12, 1)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exec bash "$root/bench/in_xvfb.sh" "${1:-$root/build}" cadence_cost "${2:-12}" "${3:-1}"
