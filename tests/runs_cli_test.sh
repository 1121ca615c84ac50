#!/usr/bin/env bash
# tempola-sim over many captures: runs side by side (--replay repeated) and
# --summary over files and folders, with their limits and refusals.
#
#   bash tests/runs_cli_test.sh TEMPOLA_SIM SOURCE_DIR
set -u
sim=$1
data=$2/tests/data/capture
work=$(mktemp -d)
trap 'chmod -R u+rwx "$work"; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Each run's line is the line the run alone prints, with its name first.
"$sim" --replay "$data/presentmon1.csv" --replay "$data/capframex.json" --name 'before <b>"x"=1' \
  --stats >"$work/both" 2>"$work/err" || fail "two runs exited $?: $(cat "$work/err")"
[ "$(wc -l <"$work/both")" -eq 2 ] || fail "not a line per run: $(cat "$work/both")"
for n in 1 2; do
  file=$([ "$n" -eq 1 ] && echo presentmon1.csv || echo capframex.json)
  name=$([ "$n" -eq 1 ] && echo 'before_<b>"x"_1' || echo 'capframex.json_(re2.exe)')
  "$sim" --replay "$data/$file" --stats >"$work/one" 2>/dev/null
  line=$(cat "$work/one")
  expected="tempola-stats run=$name${line#tempola-stats}"
  [ "$(sed -n "${n}p" "$work/both")" = "$expected" ] ||
    fail "run $n's line differs from its own: $(sed -n "${n}p" "$work/both") vs $expected"
done
echo "ok: a line per run, each its own run's line after its name"

"$sim" --replay "$data/presentmon1.csv" --replay "$data/presentmon24.csv" >"$work/table" 2>&1 ||
  fail "the table exited $?"
[ "$(grep -c '^presentmon' "$work/table")" -eq 2 ] || fail "not a row per run: $(cat "$work/table")"
echo "ok: a table row per run"

expect_refused() {
  local why=$1
  shift
  "$sim" "$@" >"$work/out" 2>"$work/err" && fail "$why: taken"
  [ $? -eq 2 ] || fail "$why: not exit 2"
  [ -s "$work/out" ] && fail "$why: printed $(cat "$work/out")"
  echo "ok: refused, $why: $(cat "$work/err")"
}
many=()
for i in $(seq 65); do many+=(--replay "$data/presentmon1.csv"); done
expect_refused "65 runs" "${many[@]}"
grep -q 'more than 64' "$work/err" || fail "the limit is not said: $(cat "$work/err")"
expect_refused "--compare-rules with two runs" --replay "$data/presentmon1.csv" \
  --replay "$data/presentmon24.csv" --compare-rules
expect_refused "more names than runs" --replay "$data/presentmon1.csv" --name a --name b
expect_refused "a run that is not a capture" --replay "$data/presentmon1.csv" \
  --replay "$data/polled.csv"
expect_refused "--summary with --replay" --summary "$data" --replay "$data/presentmon1.csv"

# --summary: a folder in name order, a bad file in the middle, quoted names.
mkdir "$work/caps" "$work/caps/inner" "$work/empty"
for i in $(seq -w 1 24); do cp "$data/presentmon24.csv" "$work/caps/run$i.csv"; done
cp "$data/polled.csv" "$work/caps/run12b.csv"
cp "$data/capframex.json" "$work/caps/with, \"comma\".json"
cp "$data/presentmon1.csv" "$work/caps/new
line.csv"
cp "$data/presentmon1.csv" "$work/caps/inner/deeper.csv"
touch "$work/caps/.hidden"
"$sim" --summary "$work/caps" "$data/presentmon1.csv" --threads 1 >"$work/one" 2>"$work/err"
[ $? -eq 2 ] || fail "--summary with a bad file: not exit 2"
"$sim" --summary "$work/caps" "$data/presentmon1.csv" >"$work/all" 2>"$work/err"
[ $? -eq 2 ] || fail "--summary on every core with a bad file: not exit 2"
cmp -s "$work/one" "$work/all" || fail "rows differ between one thread and all: $(diff "$work/one" "$work/all")"
python3 - "$work/all" "$work/caps" "$data/presentmon1.csv" <<'PY' || exit 1
import csv, os, sys
rows = list(csv.DictReader(open(sys.argv[1], newline='')))
folder = sys.argv[2]
names = sorted(n for n in os.listdir(folder) if not n.startswith('.') and n != 'inner')
want = [os.path.join(folder, n) for n in names] + [sys.argv[3]]
got = [r['file'] for r in rows]
assert got == want, 'rows out of order or missing: %s' % got
for r in rows:
    bad = r['file'].endswith('run12b.csv')
    assert bool(r['error']) == bad, 'error cell: %s' % r
    assert bad or (r['frames'] == '12' and r['format'] and float(r['rate']) > 0), r
print('ok: %d rows in input order, the bad one says why' % len(rows))
PY
grep -q 'not a row per frame' "$work/all" || fail "the bad file's reason is not given"

rm "$work/caps/run12b.csv"
"$sim" --summary "$work/caps" >/dev/null 2>"$work/err" || fail "all read: exit $?: $(cat "$work/err")"
echo "ok: exit 0 when every capture is read"

expect_refused "no capture found" --summary "$work/empty"
"$sim" --summary "$work/gone.csv" "$data/presentmon1.csv" >"$work/out" 2>/dev/null
[ $? -eq 2 ] || fail "a missing file: not exit 2"
grep -q '^.*gone.csv,.*No such file' "$work/out" || fail "the missing file's row: $(cat "$work/out")"
grep -q '^.*presentmon1.csv,PresentMon' "$work/out" || fail "the batch did not go on: $(cat "$work/out")"
echo "ok: a missing file's row says so and the batch goes on"
if [ "$(id -u)" -ne 0 ]; then
  chmod 000 "$work/caps"
  "$sim" --summary "$work/caps" >"$work/out" 2>/dev/null
  [ $? -eq 2 ] || fail "an unreadable folder: not exit 2"
  grep -q 'cannot read the folder' "$work/out" || fail "the folder's row: $(cat "$work/out")"
  echo "ok: an unreadable folder's row says so"
fi
