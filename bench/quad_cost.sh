#!/usr/bin/env bash
# bench/quad_cost in a window of its own X server: what rectangles drawn the
# cadence panel's way cost the scene's frame.
#
#   bench/quad_cost.sh [BUILD_DIR [CYCLES [SECONDS]]]   (build, 20, 0.3)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exec bash "$root/bench/in_xvfb.sh" "${1:-$root/build}" quad_cost "${2:-20}" "${3:-0.3}"
