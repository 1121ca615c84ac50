#!/usr/bin/env bash
# The live lab in a real X server: the frame log against --stats, Z and X
# changing the rules, G showing the cadence panel, and the log's failures.
# Arguments: the tempola binary, the source folder, the x11_close helper
# (x11_scene_check sits beside it).
set -u
bin=$1
checker=$(dirname "$3")/x11_scene_check
if [ "${TEMPOLA_IN_XVFB:-}" != 1 ]; then
  # -noreset: a server that resets as its last client leaves turns away whoever
  # connects next for a moment.
  exec env TEMPOLA_IN_XVFB=1 xvfb-run -a -n $((800 + $$ % 300)) -s "-screen 0 1024x768x24 -noreset" bash "$0" "$@"
fi

. "$(dirname "$0")/x11_window.sh"
work=$(mktemp -d)
fail() { echo "FAIL: $*"; [ -f "$work/stderr" ] && sed 's/^/  stderr: /' "$work/stderr"; exit 1; }
pid=
# Whatever happens, no copy of the program outlives the test.
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
cd "$work"

# A log path in a folder that is not there: exit 2 before any window.
timeout 30 "$bin" -fullscreen=0 --log "$work/missing/run.csv" 2>"$work/stderr"
rc=$?
[ "$rc" -eq 2 ] || fail "exit code $rc for a log in a missing folder"
grep -q 'missing/run.csv' "$work/stderr" || fail "no message naming the log"
! grep -q 'PixelFormat' "$work/stderr" || fail "a window was made before the log failed"
echo "ok: unopenable log"

# A motion with no such name: exit 2 in the engine's words, before any window.
timeout 30 "$bin" -fullscreen=0 --right-motion gpu 2>"$work/stderr"
rc=$?
[ "$rc" -eq 2 ] || fail "exit code $rc for an unknown motion"
grep -qx -- "tempola: --right-motion: not cpu, refresh or display: 'gpu' (try --help)" "$work/stderr" ||
  fail "not the engine's words for an unknown motion"
echo "ok: unknown motion"

# A log that fails part way: one message, the run goes on, exit 3.
timeout 60 "$bin" -fullscreen=0 --seconds 2 --stats --log /dev/full 2>"$work/stderr"
rc=$?
[ "$rc" -eq 3 ] || fail "exit code $rc with the log on /dev/full"
[ "$(grep -c 'frame log' "$work/stderr")" -eq 1 ] || fail "not exactly one message about the log"
grep -q '^tempola-stats exit=3 frames=[1-9]' "$work/stderr" || fail "the run did not go on"
echo "ok: log on a full device"

# Z twice, X once, then G: rules change in the log, the panel shows.
"$bin" -fullscreen=0 --stats --log "$work/run.csv" --side-logs "$work/side" 2>"$work/stderr" &
pid=$!
find_window "$pid" || fail "no window"
sleep 1
xdotool key --window "$wid" z z x 2>/dev/null
sleep 0.5
# Targets moved mid-run too, for the replay below.
xdotool key --window "$wid" q q q w a 2>/dev/null
sleep 0.3
"$checker" "$wid" --no-panel || fail "a panel before G"
xdotool key --window "$wid" g 2>/dev/null
sleep 1
"$checker" "$wid" --panel || fail "no panel after G"
press_escape
wait "$pid" || fail "exit code $?"
pid=

stats=$(grep '^tempola-stats' "$work/stderr") || fail "no stats line"
value() { echo "$stats" | tr ' ' '\n' | sed -n "s/^$1=//p"; }
rows=$(($(wc -l <"$work/run.csv") - 1))
[ "$rows" -eq "$(value frames)" ] || fail "$rows log rows for $(value frames) frames"
left=$(awk -F, 'NR > 1 && $13 == 1' "$work/run.csv" | wc -l)
right=$(awk -F, 'NR > 1 && $17 == 1' "$work/run.csv" | wc -l)
[ "$left" -eq "$(value left_updates)" ] || fail "left: $left updates logged, $(value left_updates) counted"
[ "$right" -eq "$(value right_updates)" ] || fail "right: $right updates logged, $(value right_updates) counted"
[ "$(value left_rule)" = fixed-exact ] || fail "left rule $(value left_rule) after Z Z"
[ "$(value right_rule)" = fixed-exact ] || fail "right rule $(value right_rule) after X"
first=$(sed -n 2p "$work/run.csv" | cut -d, -f16,20)
last=$(tail -1 "$work/run.csv" | cut -d, -f16,20)
[ "$first" = adaptive,fixed ] || fail "first row's rules: $first"
[ "$last" = fixed-exact,fixed-exact ] || fail "last row's rules: $last"
echo "ok: log, stats and rules agree ($rows frames, $left and $right updates)"

# Each side's capture: a row per update, the same updates as the main log;
# no display times under Xvfb, so no shown or dropped verdicts.
[ "$(($(wc -l <"$work/side-left.csv") - 1))" -eq "$left" ] || fail "left capture rows"
[ "$(($(wc -l <"$work/side-right.csv") - 1))" -eq "$right" ] || fail "right capture rows"
[ "$(value display_source)" = none ] || fail "display source $(value display_source) under Xvfb"
awk -F, 'NR > 1 && ($7 != "" || $10 != "" || $11 != "") { exit 1 }' "$work/run.csv" ||
  fail "display cells filled without display times"
echo "ok: side captures and empty display cells"

# The live log replayed with the rules and targets it recorded gives back
# every update flag and interval, row for row, key presses and all.
sim=$(dirname "$bin")/tempola-sim
if [ -x "$sim" ]; then
  bash "$(dirname "$0")/replay_roundtrip.sh" "$sim" "$work/run.csv" || fail "the live log's replay differs"
  echo "ok: the live log replays to the same updates"
fi
