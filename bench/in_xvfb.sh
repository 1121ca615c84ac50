#!/usr/bin/env bash
# Runs one of the GL benchmarks in a window of its own X server, from the
# build's data folder, where the scene finds its pictures and font.
#
#   bench/in_xvfb.sh BUILD_DIR PROGRAM [ARGS...]   (PROGRAM in BUILD_DIR/bench)
set -euo pipefail
build=$(cd "$1" && pwd)
if [ "${TEMPOLA_IN_XVFB:-}" != 1 ]; then
  # -noreset: a server that resets as its last client leaves turns away whoever
  # connects next for a moment.
  exec env TEMPOLA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0" "$build" "${@:2}"
fi
export SDL_VIDEODRIVER=x11
cd "$build/data"
exec "$build/bench/$2" "${@:3}"
