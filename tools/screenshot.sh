#!/usr/bin/env bash
# Makes docs/screenshot.png: the program in a 640 x 480 window under Xvfb,
# two seconds after start. Needs a built build/tempola and ImageMagick's
# `import` (apt-get install imagemagick); TEMPOLA names another binary.
#
#   tools/screenshot.sh [OUT [KEY...]]   keys pressed one second in, e.g.
#   tools/screenshot.sh docs/panel.png z z z g
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/screenshot.png}
if [ "${TEMPOLA_IN_XVFB:-}" != 1 ]; then
  # -noreset: a server that resets as its last client leaves turns away whoever
  # connects next for a moment.
  exec env TEMPOLA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0" "$out" "${@:2}"
fi
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"
XDG_CONFIG_HOME=$work "${TEMPOLA:-$root/build/tempola}" -fullscreen=0 2>"$work/stderr" &
pid=$!
wid=
for _ in $(seq 1 100); do
  wid=$(xdotool search --pid "$pid" 2>/dev/null | head -1 || true)
  [ -n "$wid" ] && break
  sleep 0.1
done
if [ $# -gt 1 ]; then
  sleep 1
  xdotool key --window "$wid" "${@:2}"
fi
sleep 2
import -window "$wid" "$out"
# The program may close on the key press, before the release reaches its
# window: xdotool then reports an error that means nothing here.
xdotool key --window "$wid" Escape 2>/dev/null || true
wait "$pid"
echo "wrote $out"
