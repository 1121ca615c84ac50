#!/usr/bin/env bash
# The real program with a settings folder it cannot write (its parent is a
# regular file, which stops root as well): it runs, closes on its own after a
# second and still exits 0, and nothing is written anywhere.
# Arguments: the tempola binary, the source folder, the x11_close helper.
set -u
bin=$1
if [ "${TEMPOLA_IN_XVFB:-}" != 1 ]; then
  # -noreset: a server that resets as its last client leaves turns away whoever
  # connects next for a moment.
  exec env TEMPOLA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0" "$@"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; sed 's/^/  stderr: /' "$work/stderr"; exit 1; }
printf 'a file, not a folder\n' >"$work/blocker"
export XDG_CONFIG_HOME=$work/blocker/config
cd "$work"

timeout 60 "$bin" -fullscreen=0 --seconds 1 --stats 2>"$work/stderr"
rc=$?
[ "$rc" -eq 0 ] || fail "exit code $rc"
grep -q '^tempola-stats exit=0 frames=[1-9]' "$work/stderr" || fail "no frames drawn"
[ "$(cat "$work/blocker")" = 'a file, not a folder' ] || fail "the blocking file changed"
[ "$(ls -A "$work" | sort | tr '\n' ' ')" = 'blocker stderr ' ] || fail "something was written: $(ls -A "$work")"
echo "ok: exit 0 with an unwritable settings folder"
