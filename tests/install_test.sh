#!/usr/bin/env bash
# The installed program: `cmake --install` into a fresh prefix lays out the
# binaries, pictures, desktop entry, metainfo, icons and manual pages; the
# prefix is then moved elsewhere (nothing may point back at where it was
# installed or built), and the program, started from another folder, finds
# its pictures there. With the pictures moved away it names the places it
# searched on stderr, and still runs and exits 0.
# Arguments: the tempola binary, the source folder, the build folder (a file
# inside the build folder does too: the folder holding CMakeCache.txt above
# it is taken).
set -u
build=$3
[ -d "$build" ] || build=$(dirname "$build")
build=$(cd "$build" && pwd) || { echo "FAIL: no folder $3"; exit 1; }
while [ ! -f "$build/CMakeCache.txt" ] && [ "$build" != / ] && [ "$build" != . ]; do
  build=$(dirname "$build")
done
for tool in xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
if [ "${TEMPOLA_IN_XVFB:-}" != 1 ]; then
  # -noreset: a server that resets as its last client leaves turns away whoever
  # connects next for a moment.
  exec env TEMPOLA_IN_XVFB=1 xvfb-run -a -n $((800 + $$ % 300)) \
    -s "-screen 0 1024x768x24 -noreset" bash "$0" "$@"
fi

. "$(dirname "$0")/x11_window.sh"
work=$(mktemp -d)
pid=
# Whatever happens, no copy of the program outlives the test.
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; [ -f "$work/stderr" ] && sed 's/^/  stderr: /' "$work/stderr"; exit 1; }
export XDG_CONFIG_HOME=$work/config
[ -f "$build/CMakeCache.txt" ] || fail "no build folder at or above $3"
checker=$(find "$build" -name x11_scene_check -type f -perm -u+x -print -quit)
[ -n "$checker" ] || fail "x11_scene_check is not built in $build"

cmake --install "$build" --prefix "$work/installed" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "cmake --install"; }
mv "$work/installed" "$work/prefix"
prefix=$(cd "$work/prefix" && pwd -P)

expected="bin/tempola share/tempola/metal2.bmp share/tempola/charset.tga
  share/applications/tempola.desktop share/metainfo/org.tempola.Tempola.metainfo.xml
  share/man/man6/tempola.6.gz share/doc/tempola/copyright"
for n in 16 32 48 64 128 256; do
  expected="$expected share/icons/hicolor/${n}x$n/apps/tempola.png"
done
if [ -x "$build/tempola-sim" ]; then
  expected="$expected bin/tempola-sim share/man/man1/tempola-sim.1.gz"
fi
for f in $expected; do
  [ -s "$prefix/$f" ] || fail "not installed: $f"
done
[ -x "$prefix/bin/tempola" ] || fail "bin/tempola is not executable"
echo "ok: installed files"

mkdir -p "$work/elsewhere"
cd "$work/elsewhere"

# A short run on its own clock: exit 0, nothing missing.
timeout 60 "$prefix/bin/tempola" -fullscreen=0 --seconds 3 2>"$work/stderr"
rc=$?
[ "$rc" -eq 0 ] || fail "exit code $rc from a three-second run"
! grep -q 'not found' "$work/stderr" || fail "pictures not found in the installed tree"
echo "ok: three-second run from another folder"

picture() {  # checker options, what
  "$prefix/bin/tempola" -fullscreen=0 --seconds 60 2>"$work/stderr" &
  pid=$!
  find_window "$pid" || fail "no window ($2)"
  sleep 1.5
  if ! "$checker" "$wid" $1; then
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      echo "the program had already exited, with code $?"
    fi
    fail "picture ($2)"
  fi
  press_escape
  wait "$pid"
  rc=$?
  pid=
  [ "$rc" -eq 0 ] || fail "exit code $rc ($2)"
}

picture "" "textured rotors and overlay"
! grep -q 'not found' "$work/stderr" || fail "pictures not found in the installed tree"
echo "ok: textured rotors and overlay"

mv "$prefix/share/tempola" "$work/away"
picture --bare "without the pictures"
for name in metal2.bmp charset.tga; do
  line="tempola: $name not found in ., $prefix/bin/data, $prefix/share/tempola; running without it"
  grep -qxF "$line" "$work/stderr" || fail "no line: $line"
done
echo "ok: without the pictures"
