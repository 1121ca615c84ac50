#!/usr/bin/env bash
# What asking for display times costs the redraw loop, on a real Wayland
# compositor (Weston nested in Xvfb, tests/weston_env.sh): bench/feedback_cost
# alternates rounds with presentation feedback asked for and not, and prints
# feedback_ratio= (redraws a second with over without; the goal is 0.97 or
# more). Exit 77: no Weston here.
#
#   bench/feedback_cost.sh [BUILD_DIR [PAIRS [SECONDS]]]   (build, 10, 1.5)
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd) || exit 2
pairs=${2:-10}
seconds=${3:-1.5}
[ -x "$build/bench/feedback_cost" ] || {
  echo "feedback_cost.sh: no $build/bench/feedback_cost (cmake --build $build --target feedback_cost)" >&2
  exit 2
}
. "$root/tests/weston_env.sh" || exit 1
config=$(mktemp -d)
trap 'rm -rf "$config"; weston_env_stop' EXIT
export XDG_CONFIG_HOME=$config
export SDL_VIDEODRIVER=wayland
# SDL 2.26 crashes in its decoration library (libdecor) pumping events for
# a second window made after the first was destroyed; the rounds make one
# window each, so they go without client-side decorations.
export SDL_VIDEO_WAYLAND_ALLOW_LIBDECOR=0
cd "$build/data" 2>/dev/null || cd "$build"
"$build/bench/feedback_cost" "$pairs" "$seconds"
