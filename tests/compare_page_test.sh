#!/usr/bin/env bash
# Runs side by side on one page (--replay repeated with --report), opened in
# headless Chromium: no script error, every chart drawn, each table cell what
# its run's --stats line says, each difference computed from the first run's
# cell, and run names that are markup kept as text.
#
#   bash tests/compare_page_test.sh TEMPOLA_SIM
#
# Exit 77 (skipped) when there is no chromium or python3.
set -uo pipefail
sim=${1:?usage: compare_page_test.sh TEMPOLA_SIM}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "compare_page_test: $*" >&2; exit 1; }
. "$(dirname "$0")/chromium_page.sh"

# Two logged runs that differ: the second jitters more and stalls.
"$sim" --seconds 20 --jitter 1 --display-hz 60 --log "$work/a.csv" >/dev/null ||
  fail "no first log"
"$sim" --seconds 20 --jitter 3 --stall 1000:150 --display-hz 60 --log "$work/b.csv" >/dev/null ||
  fail "no second log"
hostile="<script>document.title='owned'</script>\"q\""
"$sim" --replay "$work/a.csv" --replay "$work/b.csv" --name "$hostile" --stats \
  --report "$work/runs.html" >"$work/runs.stats" 2>"$work/err" ||
  fail "the page of two runs exited $?: $(cat "$work/err")"
[ "$(grep -c '^tempola-stats run=' "$work/runs.stats")" = 2 ] || fail "not a line per run"
page=$work/runs.html
grep -qF "<script>document.title" "$page" && fail "a run's name reached the page as markup"
[ "$(grep -o '<script' "$page" | wc -l)" = 4 ] || fail "the page holds other scripts than its own"

need_chromium "the page was"
open_page "$page"
read_page "$page.dom" "$work/runs.stats" "$hostile" <<'PY' || fail "the page is not as it should be"
lines, hostile = stats_lines(sys.argv[2]), sys.argv[3]
drawn(["chart-redraw", "chart-updates", "chart-seen", "chart-pct-left", "chart-hist-left",
       "chart-pct-right", "chart-hist-right", "chart-pct-redraw", "chart-hist-redraw",
       "chart-pct-display", "chart-hist-display"])
names = [text for table, text in p.rows if table == "figures-differences"]
if names[:1] != [hostile]: bad.append("the first run's name is not its text: %r" % names[:1])
differences = [c for c in p.cells if c[0] == "figures-differences"]
if len(differences) < 10 * len(lines): bad.append("the table of runs has %d cells" % len(differences))
shown = 0
for table, run, key, text, diff in p.cells:
    value = text.split(" (")[0] if table == "figures-differences" else text
    expect = lines[run].get(key)
    if not matches(value, expect):
        bad.append("%s run %d %s: page %r, --stats %r" % (table, run, key, value, expect))
    if table != "figures-differences" or run == 0: continue
    first = lines[0].get(key, "")
    if first == "" or float(first) == 0 or expect == "":
        if diff is not None: bad.append("%s: a difference from nothing" % key)
        continue
    want = (float(expect) - float(first)) / abs(float(first)) * 100
    if diff is None or abs(float(diff) - want) > 0.051: bad.append("%s: difference %s, not %.2f" % (key, diff, want))
    shown += 1
if shown < 5: bad.append("only %d differences shown" % shown)
if lines[0]["redraw_jitter_ms"] == lines[1]["redraw_jitter_ms"]: bad.append("the runs do not differ")
PY
echo "compare_page_test: ok"
