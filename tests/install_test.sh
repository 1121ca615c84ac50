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
. "$(dirname "$0")/installed_program.sh" 800 "" "$@"

cmake --install "$build" --prefix "$work/installed" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "cmake --install"; }
mv "$work/installed" "$work/prefix"
prefix=$(cd "$work/prefix" && pwd -P)

for f in $(installed_files ""); do
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

picture "$prefix/bin/tempola" "" "textured rotors and overlay"
! grep -q 'not found' "$work/stderr" || fail "pictures not found in the installed tree"
echo "ok: textured rotors and overlay"

mv "$prefix/share/tempola" "$work/away"
picture "$prefix/bin/tempola" --bare "without the pictures"
for name in metal2.bmp charset.tga; do
  line="tempola: $name not found in ., $prefix/bin/data, $prefix/share/tempola; running without it"
  grep -qxF "$line" "$work/stderr" || fail "no line: $line"
done
echo "ok: without the pictures"
