#!/usr/bin/env bash
# The real program in a real X server: caption, Escape, a close from the
# window system, SIGTERM, the settings file and the pixel-format line; and
# what it does with no display at all.
# Arguments: the tempola binary, the source folder, the x11_close helper.
set -u
bin=$1
closer=$3
if [ "${TEMPOLA_IN_XVFB:-}" != 1 ]; then
  # -noreset: a server that resets as its last client leaves turns away whoever
  # connects next for a moment.
  exec env TEMPOLA_IN_XVFB=1 xvfb-run -a -n $((200 + $$ % 300)) -s "-screen 0 1024x768x24 -noreset" bash "$0" "$@"
fi

. "$(dirname "$0")/x11_window.sh"
fail() { echo "FAIL: $*"; [ -f "$work/stderr" ] && sed 's/^/  stderr: /' "$work/stderr"; exit 1; }
work=$(mktemp -d)
pid=
# Whatever happens, no copy of the program outlives the test.
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME"
ini=$XDG_CONFIG_HOME/Vektorum.INI
cd "$work"

start() {
  "$bin" -fullscreen=0 2>"$work/stderr" &
  pid=$!
  find_window "$pid" || fail "no window appeared"
}

finish() {  # what closed it
  wait "$pid"
  rc=$?
  [ "$rc" -eq 0 ] || fail "exit code $rc after $1"
  grep -qx 'PixelFormat Selected: [0-9]*' "$work/stderr" || fail "no pixel-format line after $1"
  grep -qx 'BPP: [0-9]*' "$work/stderr" || fail "no depth line after $1"
  for line in 'Fullscreen=0' 'Width=640' 'Height=480' '; kept' '[Other]' 'Keep=1' 'Custom=yes'; do
    grep -qxF -- "$line" "$ini" || fail "settings file lacks '$line' after $1"
  done
  grep -qx 'BitsPerPixel=[0-9]*' "$ini" || fail "settings file lacks BitsPerPixel after $1"
  echo "ok: $1"
}

# With no display to reach, the program says so and exits 1 at once, rather
# than drawing on where nobody can see or close it.
out=$(env -u SDL_VIDEODRIVER -u WAYLAND_DISPLAY DISPLAY=:65001 timeout 30 "$bin" -fullscreen=0 2>&1)
rc=$?
[ "$rc" -eq 1 ] || fail "exit code $rc with no display"
echo "$out" | grep -q 'no display' || fail "no message with no display: $out"
[ ! -e "$ini" ] || fail "settings written with no display"
echo "ok: no display"

printf '; kept\n[Other]\nKeep=1\n\n[Settings]\nWidth=1\nCustom=yes\n' >"$ini"

start
xdotool getwindowname "$wid" | grep -qx 'OpenGL program\|.*FPS:.*\|' || fail "unexpected first caption"
# The caption changes once a second; ten seconds leave room for a busy machine.
caption_within 'FPS:' 100 || fail "caption did not show the frame rate within ten seconds"
sleep 0.5
press_escape
finish Escape

start
caption_within 'FPS:' 100 || fail "caption did not show the frame rate"
"$closer" "$wid"
finish "a close from the window system"

start
sleep 1
kill -TERM "$pid"
finish SIGTERM
