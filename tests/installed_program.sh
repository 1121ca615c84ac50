# Shared by the tests of the installed and the packaged program (sourced,
# not run), with the display number to start from, the tools needed besides
# xvfb-run and xdotool, and the test's own arguments:
#
#   . installed_program.sh DISPLAY "TOOL..." BINARY SOURCE BUILD
#
# BUILD may be a file inside the build folder: the folder holding
# CMakeCache.txt above it is taken, as $build. Exits 77 when a tool is
# missing; runs the test again in an X server of its own, and there sets
# $work, $pid and fail as x11_test_start does (staying in the current
# folder), and $checker, the build's x11_scene_check.
installed_display=$1
installed_tools=$2
shift 2
build=$3
[ -d "$build" ] || build=$(dirname "$build")
build=$(cd "$build" && pwd) || { echo "FAIL: no folder $3"; exit 1; }
while [ ! -f "$build/CMakeCache.txt" ] && [ "$build" != / ] && [ "$build" != . ]; do
  build=$(dirname "$build")
done
for tool in $installed_tools xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
if [ "${TEMPOLA_IN_XVFB:-}" != 1 ]; then
  # -noreset: a server that resets as its last client leaves turns away whoever
  # connects next for a moment.
  exec env TEMPOLA_IN_XVFB=1 xvfb-run -a -n $((installed_display + $$ % 300)) \
    -s "-screen 0 1024x768x24 -noreset" bash "$0" "$@"
fi

. "$(dirname "$0")/x11_window.sh"
work=$(mktemp -d)
pid=
# Whatever happens, no copy of the program outlives the test.
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
# Before any search of $build: without a build folder it is /.
[ -f "$build/CMakeCache.txt" ] || fail "no build folder at or above $3"
checker=$(find "$build" -name x11_scene_check -type f -perm -u+x -print -quit)
[ -n "$checker" ] || fail "x11_scene_check is not built in $build"

# installed_files PREFIX: the files an install lays out, from its prefix
# (tempola-sim's where the build has it), each with PREFIX before it.
installed_files() {
  local files="bin/tempola share/tempola/metal2.bmp share/tempola/charset.tga
    share/applications/tempola.desktop share/metainfo/org.tempola.Tempola.metainfo.xml
    share/man/man6/tempola.6.gz share/doc/tempola/copyright" n f
  for n in 16 32 48 64 128 256; do
    files="$files share/icons/hicolor/${n}x$n/apps/tempola.png"
  done
  if [ -x "$build/tempola-sim" ]; then
    files="$files bin/tempola-sim share/man/man1/tempola-sim.1.gz"
  fi
  for f in $files; do
    echo "$1$f"
  done
}

# picture PROGRAM CHECKER_OPTIONS WHAT: PROGRAM's window, a moment after it
# appears, passes the checker, and Escape ends the program with exit code 0.
picture() {
  "$1" -fullscreen=0 --seconds 60 2>"$work/stderr" &
  pid=$!
  find_window "$pid" || fail "no window ($3)"
  sleep 1.5
  if ! "$checker" "$wid" $2; then
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      echo "the program had already exited, with code $?"
    fi
    fail "picture ($3)"
  fi
  press_escape
  wait "$pid"
  rc=$?
  pid=
  [ "$rc" -eq 0 ] || fail "exit code $rc ($3)"
}
