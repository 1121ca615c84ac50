#!/usr/bin/env bash
# The picture in the real window: textured rotors, divider and overlay when
# started from any folder; untextured rotors and no overlay, but a normal
# run and exit, when the pictures are nowhere to be found.
# Arguments: the tempola binary, the source folder, the x11_close helper
# (x11_scene_check sits beside it).
set -u
bin=$1
checker=$(dirname "$3")/x11_scene_check
if [ "${TEMPOLA_IN_XVFB:-}" != 1 ]; then
  # -noreset: a server that resets as its last client leaves turns away whoever
  # connects next for a moment.
  exec env TEMPOLA_IN_XVFB=1 xvfb-run -a -n $((500 + $$ % 300)) -s "-screen 0 1024x768x24 -noreset" bash "$0" "$@"
fi

. "$(dirname "$0")/x11_window.sh"
fail() { echo "FAIL: $*"; exit 1; }
work=$(mktemp -d)
pid=
# Whatever happens, no copy of the program outlives the test.
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
cd "$work"

run_and_check() {  # binary, checker options, what
  "$1" -fullscreen=0 2>"$work/stderr" &
  pid=$!
  find_window "$pid" || { cat "$work/stderr"; fail "no window ($3)"; }
  sleep 1.5
  if ! "$checker" "$wid" $2; then
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid"
    else
      wait "$pid"
      echo "the program had already exited, with code $?"
    fi
    sed 's/^/  stderr: /' "$work/stderr"
    fail "picture ($3)"
  fi
  press_escape
  wait "$pid" || fail "exit code $? ($3)"
  echo "ok: $3"
}

# From a folder without the pictures: they come from beside the binary.
run_and_check "$bin" "" "started from another folder"

# A copy of the binary with no pictures anywhere near it.
mkdir -p "$work/bare"
cp "$bin" "$work/bare/tempola"
run_and_check "$work/bare/tempola" --bare "without the pictures"
