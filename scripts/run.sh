#!/usr/bin/env bash
# Sets up (the run tier only), builds and starts Tempola. Arguments go to the
# program, e.g.
#   scripts/run.sh -fullscreen=0
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh" run
# A first configure leaves the tests out, since the run tier has no GoogleTest;
# a build folder that scripts/test.sh set up keeps its tests.
options=()
[ -f "$root/build/CMakeCache.txt" ] || options=(-DBUILD_TESTING=OFF)
cmake -S "$root" -B "$root/build" "${options[@]}" >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target tempola
exec "$root/build/tempola" "$@"
