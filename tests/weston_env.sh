#!/usr/bin/env bash
# A real Wayland compositor for the tests and benchmarks: Weston on its X11
# backend, nested in an Xvfb of its own.
#
#   . tests/weston_env.sh            in a script: the compositor runs until that
#                                    script exits; WAYLAND_DISPLAY, DISPLAY and
#                                    XDG_RUNTIME_DIR point at it
#   tests/weston_env.sh CMD ARGS...  runs one command in it, exits with its code
#
# Exits (the sourcing script too) with 77 when Weston or Xvfb is missing, and
# with 1 when either does not come up; Weston's log is shown then.
#
# Settings, from the environment:
#   WESTON_ENV_DEBUG=1      Weston with --debug, so that weston-debug can read
#                           its streams (e.g. `weston-debug timeline`)
#   WESTON_ENV_SIZE=WxH     the output's size (default 1024x768)
#
# After it: weston_env_dir (Weston's log is $weston_env_dir/weston.log),
# weston_env_pid, and weston_env_stop, which a sourcing script that sets an
# EXIT trap of its own must call from it.
#
# Weston's headless backend is of no use here: it offers no seat, and SDL's
# Wayland driver (2.26) crashes while starting up without one. The X11
# backend gives a keyboard and a pointer, and repaints at 60 Hz.

weston_env_stop() {
  [ -n "${weston_env_pid:-}" ] && kill "$weston_env_pid" 2>/dev/null && wait "$weston_env_pid" 2>/dev/null
  [ -n "${weston_env_xvfb:-}" ] && kill "$weston_env_xvfb" 2>/dev/null && wait "$weston_env_xvfb" 2>/dev/null
  weston_env_pid=
  weston_env_xvfb=
  [ -n "${weston_env_dir:-}" ] && rm -rf "$weston_env_dir"
  weston_env_dir=
  return 0
}

weston_env_fail() {
  echo "weston_env: $*" >&2
  [ -f "$weston_env_dir/weston.log" ] && sed 's/^/  weston: /' "$weston_env_dir/weston.log" >&2
  [ -f "$weston_env_dir/xvfb.log" ] && sed 's/^/  xvfb: /' "$weston_env_dir/xvfb.log" >&2
  weston_env_stop
  exit 1
}

weston_env_start() {
  local tool
  for tool in weston Xvfb; do
    if ! command -v "$tool" >/dev/null; then
      echo "weston_env: no $tool here (scripts/setup.sh test installs it); skipped" >&2
      exit 77
    fi
  done
  weston_env_dir=$(mktemp -d /tmp/tempola-weston.XXXXXX) || exit 1
  trap weston_env_stop EXIT
  # Wayland clients refuse a runtime folder that others can read.
  mkdir -m 0700 "$weston_env_dir/runtime" || weston_env_fail "no runtime folder"

  # Xvfb picks a free display itself and writes its number once it listens.
  # -noreset: a server that resets as its last client leaves turns away
  # whoever connects next for a moment.
  Xvfb -displayfd 3 -noreset -screen 0 "${WESTON_ENV_SIZE:-1024x768}x24" \
    3>"$weston_env_dir/display" >"$weston_env_dir/xvfb.log" 2>&1 &
  weston_env_xvfb=$!
  local display= i
  for i in $(seq 1 300); do
    display=$(head -1 "$weston_env_dir/display" 2>/dev/null)
    [ -n "$display" ] && break
    kill -0 "$weston_env_xvfb" 2>/dev/null || weston_env_fail "Xvfb exited"
    sleep 0.1
  done
  [ -n "$display" ] || weston_env_fail "Xvfb gave no display within 30 s"

  # Never idle (a blanked output shows nothing and reports nothing), no panel
  # (its clock would be a second client drawing).
  printf '[core]\nidle-time=0\n\n[shell]\npanel-position=none\n' >"$weston_env_dir/weston.ini"
  local size=${WESTON_ENV_SIZE:-1024x768}
  local debug=()
  [ "${WESTON_ENV_DEBUG:-}" = 1 ] && debug=(--debug)
  DISPLAY=:$display XDG_RUNTIME_DIR=$weston_env_dir/runtime \
    weston --backend=x11-backend.so --socket=wayland-tempola --config="$weston_env_dir/weston.ini" \
    --width="${size%x*}" --height="${size#*x}" "${debug[@]}" >"$weston_env_dir/weston.log" 2>&1 &
  weston_env_pid=$!
  for i in $(seq 1 300); do
    [ -S "$weston_env_dir/runtime/wayland-tempola" ] && break
    kill -0 "$weston_env_pid" 2>/dev/null || weston_env_fail "Weston exited"
    sleep 0.1
  done
  [ -S "$weston_env_dir/runtime/wayland-tempola" ] || weston_env_fail "no Wayland socket within 30 s"
  export DISPLAY=:$display
  export XDG_RUNTIME_DIR=$weston_env_dir/runtime
  export WAYLAND_DISPLAY=wayland-tempola
  export WESTON_ENV_DIR=$weston_env_dir
}

weston_env_start
if [ "${BASH_SOURCE[0]}" = "$0" ] && [ $# -gt 0 ]; then
  "$@"
  weston_env_rc=$?
  weston_env_stop
  exit "$weston_env_rc"
fi
