#!/usr/bin/env bash
# tempola-sim --replay on the command line: --list names the processes
# without replaying, and every non-capture exits 2 with one line that says
# what it is, nothing on standard output and no log left behind.
#
#   bash tests/capture_cli_test.sh TEMPOLA_SIM SOURCE_DIR
set -u
sim=$1
data=$2/tests/data/capture
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$sim" --replay "$data/presentmon1.csv" --list --log "$work/x.csv" >/dev/null 2>&1 &&
  fail "--list with --log was taken"
"$sim" --replay "$data/interleaved.csv" --list >"$work/list" 2>"$work/err" ||
  fail "--list exited $?: $(cat "$work/err")"
grep -q '^game.exe .* 12 .*0.111$' "$work/list" || fail "--list: no game.exe row: $(cat "$work/list")"
grep -q '^overlay.exe ' "$work/list" || fail "--list: no overlay.exe row: $(cat "$work/list")"
grep -q 'PresentMon 1.x, times in TimeInSeconds' "$work/list" ||
  fail "--list: no format line: $(cat "$work/list")"
echo "ok: --list names the processes"

"$sim" --replay "$data/capframex.json" --run 2 --stats >"$work/out" 2>"$work/err" ||
  fail "--run 2 exited $?: $(cat "$work/err")"
grep -q 'holds 2 runs; replaying run 2' "$work/err" || fail "the runs are not said: $(cat "$work/err")"
grep -q ' frames=6 ' "$work/out" || fail "run 2 is not the one replayed: $(cat "$work/out")"
echo "ok: --run picks a JSON capture's run and the count is said"

for file in afterburner.hml summary.csv polled.csv excerpt.csv no_time.csv mangohud_sampled.csv; do
  "$sim" --replay "$data/$file" --stats >"$work/out" 2>"$work/err"
  code=$?
  [ "$code" -eq 2 ] || fail "$file exited $code"
  [ -s "$work/out" ] && fail "$file printed figures: $(cat "$work/out")"
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "$file: not one line: $(cat "$work/err")"
  "$sim" --replay "$data/$file" --log "$work/log.csv" >/dev/null 2>&1
  [ -e "$work/log.csv" ] && fail "$file left a log behind"
  echo "ok: $file: $(cat "$work/err")"
done

# A FrameType value not known is named once on standard error, however many
# rows hold it, and the replay goes on.
"$sim" --replay "$data/presentmon24_framegen.csv" --stats >"$work/out" 2>"$work/err" ||
  fail "frame generation exited $?: $(cat "$work/err")"
[ "$(grep -c "FrameType 'Acme Frames 2' is not known" "$work/err")" -eq 1 ] ||
  fail "the unknown FrameType is not named once: $(cat "$work/err")"
# Half its rows are generated: the pacers get the other six, and the
# generated ones are counted on their own.
grep -q ' frames=6 .* capture_generated_frames=6' "$work/out" ||
  fail "the application's frames not told from the generated ones: $(cat "$work/out")"
echo "ok: an unknown FrameType is named once"

for words in "--left-motion gpu" "--right-motion" "--right-motion Display"; do
  # shellcheck disable=SC2086
  "$sim" $words --stats >"$work/out" 2>"$work/err"
  code=$?
  [ "$code" -eq 2 ] || fail "$words exited $code"
  grep -q -- "-motion" "$work/err" || fail "$words: $(cat "$work/err")"
done
echo "ok: a motion other than cpu, refresh or display exits 2"
