#!/usr/bin/env bash
# Sets up, builds and starts Tempola. Arguments go to the program, e.g.
#   scripts/run.sh -fullscreen=0
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh" run
cmake -S "$root" -B "$root/build" >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target tempola
exec "$root/build/tempola" "$@"
