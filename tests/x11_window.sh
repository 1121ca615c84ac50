# Shared by the Xvfb test scripts (sourced, not run).

# find_window PID: sets wid to the program's window, waiting up to 30 s.
# Without one, says what the program was doing, for whoever reads the log.
find_window() {
  wid=
  for _ in $(seq 1 300); do
    wid=$(xdotool search --pid "$1" 2>/dev/null | head -1)
    [ -n "$wid" ] && return 0
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  echo "no window from process $1 after $SECONDS s of the test:"
  ps -o pid,stat,pcpu,rss,wchan:32,etimes,cmd -p "$1" 2>&1 | sed 's/^/  /'
  echo "  windows on the display: $(xdotool search --name . 2>/dev/null | tr '\n' ' ')"
  if command -v gdb >/dev/null && kill -0 "$1" 2>/dev/null; then
    timeout 30 gdb -p "$1" -batch -ex 'thread apply all bt 12' 2>/dev/null | grep -E '^(#|Thread)' | sed 's/^/  /'
  fi
  return 1
}

# press_escape: Escape to the program's window. xdotool sends the press to a
# focused window through the server's test extension, but the release to a
# window that the press has just closed fails; the server would then hold
# Escape down, and the next program, seeing it held as it starts, would quit
# at once. The second release, not tied to any window, always arrives.
press_escape() {
  xdotool key --window "$wid" Escape 2>/dev/null
  xdotool keyup Escape 2>/dev/null
  return 0
}

# caption_within PATTERN TENTHS: whether the caption of window $wid matches
# PATTERN within that many tenths of a second.
caption_within() {
  for _ in $(seq 1 "$2"); do
    xdotool getwindowname "$wid" 2>/dev/null | grep -q -- "$1" && return 0
    sleep 0.1
  done
  return 1
}

# x11_test_start: for a test script run inside its X server: a work folder
# ($work, the current folder) with the settings file in it, removed at exit
# with any copy of the program still running ($pid); fail MESSAGE says why,
# with the program's standard error ($work/stderr), and exits 1.
x11_test_start() {
  work=$(mktemp -d)
  pid=
  trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
  export XDG_CONFIG_HOME=$work/config
  cd "$work" || exit 1
}
fail() { echo "FAIL: $*"; [ -f "$work/stderr" ] && sed 's/^/  stderr: /' "$work/stderr"; exit 1; }
