#!/usr/bin/env bash
# tempola-sim's exit codes at the command line, then each plotting script
# writing a PNG from a small run of it.
#
#   bash tests/plot_test.sh TEMPOLA_SIM SOURCE_DIR
#
# Exit 77 (skipped) after the exit-code checks when no python3 with
# matplotlib is there; PYTHON picks the interpreter.
set -uo pipefail
sim=${1:?usage: plot_test.sh TEMPOLA_SIM SOURCE_DIR}
src=${2:?usage: plot_test.sh TEMPOLA_SIM SOURCE_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "plot_test: $*" >&2; exit 1; }

expect_exit() {
  local want=$1
  shift
  "$sim" "$@" >"$work/out" 2>"$work/err"
  local got=$?
  [ "$got" = "$want" ] || fail "tempola-sim $* exited $got, not $want: $(cat "$work/err")"
  if [ "$want" != 0 ]; then
    [ -s "$work/err" ] || fail "tempola-sim $* said nothing on standard error"
  fi
}

expect_exit 0 --help
grep -q 'exit codes' "$work/out" || fail "--help does not list the exit codes"
expect_exit 2 --redraw nan
expect_exit 2 --stall 10:10
expect_exit 2 --log "$work/no/such/folder/log.csv" --seconds 1
expect_exit 3 --log /dev/full --seconds 5
expect_exit 2 --replay "$work/no-such-capture.csv"
expect_exit 2 --replay /dev/null
expect_exit 2 --replay "$src/tests/data/capture/presentmon1.csv" --seconds 5
grep -q 'does not go with --replay' "$work/err" || fail "--seconds with --replay not refused"
"$sim" --seconds 1 >/dev/full 2>"$work/err"
[ $? = 3 ] && [ -s "$work/err" ] || fail "a table written to a full disk did not exit 3"
expect_exit 0 --seconds 1 --stats --display-hz 60
grep -q '^tempola-stats frames=1000 .*left_seen_mean_rate=' "$work/out" || fail "no stats line"
# The frame generator: its values and what it needs, and behind either loop
# the application's cadence to the pacers, every frame to the display.
for bad in "2" "1 --display-hz 60" "5 --display-hz 60" "2.5 --display-hz 60" \
  "2 --frame-gen-ms -1 --display-hz 60" "2 --display-hz 60 --limit display" \
  "2 --display-hz 60 --replay x.csv"; do
  expect_exit 2 --frame-gen $bad
done
expect_exit 2 --frame-gen-ms 2 --display-hz 60
expect_exit 0 --redraw 30 --display-hz 60 --frame-gen 2 --seconds 2 --stats
grep -q ' frames=60 .* display_jitter_ms=0.000 .* frame_gen_display_rate=59.00 .* frame_gen_held_ms=17.667' \
  "$work/out" || fail "frame generation behind the plain loop: $(cat "$work/out")"
expect_exit 0 --limit 30 --render-ms 5 --display-hz 60 --frame-gen 2 --frame-gen-ms 2 --seconds 2 --stats
grep -q ' rate=30.00 .* display_jitter_ms=0.000 .* frame_gen_held_ms=18.667' "$work/out" ||
  fail "frame generation behind the limited loop: $(cat "$work/out")"

. "$src/tools/matplotlib_python.sh"
[ -n "$python" ] || { echo "plot_test: no python3 with matplotlib, plots skipped"; exit 77; }

is_png() {
  [ -s "$1" ] && [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]
}

"$sim" --seconds 2 --display-hz 60 --jitter 1 --log "$work/log.csv" >/dev/null ||
  fail "the small logged run failed"
"$python" "$src/tools/plot_cadence.py" "$work/log.csv" -o "$work/cadence.png" --title t ||
  fail "plot_cadence.py failed"
is_png "$work/cadence.png" || fail "plot_cadence.py wrote no PNG"

# One log drawn whole: a modelled one, and a capture replayed into one.
"$python" "$src/tools/plot_log.py" "$work/log.csv" -o "$work/log.png" --title t ||
  fail "plot_log.py failed"
is_png "$work/log.png" || fail "plot_log.py wrote no PNG"
"$sim" --replay "$src/tests/data/capture/presentmon1.csv" --log "$work/replayed.csv" >/dev/null ||
  fail "the replay of a capture failed"
rm -f "$work/log.png"
"$python" "$src/tools/plot_log.py" "$work/replayed.csv" -o "$work/log.png" ||
  fail "plot_log.py failed on a replayed log"
is_png "$work/log.png" || fail "plot_log.py wrote no PNG of a replayed log"

"$sim" --sweep --targets 30:40:5 --redraw-list 60,240 --seconds 1 --display-hz 60 \
  >"$work/sweep.csv" 2>/dev/null || fail "the small sweep failed"
for seen in "" --seen; do
  rm -f "$work/sweep.png"
  "$python" "$src/tools/plot_sweep.py" "$work/sweep.csv" -o "$work/sweep.png" $seen ||
    fail "plot_sweep.py $seen failed"
  is_png "$work/sweep.png" || fail "plot_sweep.py $seen wrote no PNG"
done

# A log that is not one: a message and exit 2, no picture.
echo "not,a,log" >"$work/bad.csv"
"$python" "$src/tools/plot_cadence.py" "$work/bad.csv" -o "$work/bad.png" 2>"$work/err"
[ $? = 2 ] && [ ! -e "$work/bad.png" ] && [ -s "$work/err" ] ||
  fail "plot_cadence.py took a file with no log columns"
"$python" "$src/tools/plot_log.py" "$work/bad.csv" -o "$work/bad.png" 2>"$work/err"
[ $? = 2 ] && [ ! -e "$work/bad.png" ] && [ -s "$work/err" ] ||
  fail "plot_log.py took a file with no log columns"
"$python" "$src/tools/plot_sweep.py" "$work/bad.csv" -o "$work/bad.png" 2>"$work/err"
[ $? = 2 ] && [ ! -e "$work/bad.png" ] || fail "plot_sweep.py took a file with no sweep columns"
echo "plot_test: passed"
