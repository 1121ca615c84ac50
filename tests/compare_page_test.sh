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

command -v chromium >/dev/null && command -v python3 >/dev/null || {
  echo "compare_page_test: no chromium or python3: the page was not opened" >&2
  exit 77
}
timeout 90 chromium --headless --no-sandbox --disable-gpu --disable-dev-shm-usage --no-first-run \
  --user-data-dir="$work/profile" --virtual-time-budget=5000 --dump-dom "file://$page" \
  >"$page.dom" 2>"$work/chromium.log" || fail "chromium could not open the page"
python3 - "$page.dom" "$work/runs.stats" "$hostile" <<'PY' || fail "the page is not as it should be"
import html.parser, sys
dom, stats, hostile = open(sys.argv[1], encoding="utf-8").read(), open(sys.argv[2]).read(), sys.argv[3]
lines = [dict(kv.split("=", 1) for kv in l.split()[1:]) for l in stats.split("\n") if l]
class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.body, self.charts, self.cells, self.cell, self.run, self.table = {}, {}, [], None, None, None
        self.title, self.names, self.th, self.in_title = "", [], None, False
    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "body": self.body = a
        if tag == "title": self.in_title = True
        if tag == "table": self.table = a.get("id")
        if tag == "div" and a.get("class") == "chart": self.charts[a["id"]] = a
        if tag == "tr" and "data-run" in a: self.run = int(a["data-run"])
        if tag == "th" and self.table == "figures-differences" and a.get("scope") == "row": self.th = ""
        if tag == "td" and "data-key" in a: self.cell = [self.table, self.run, a["data-key"], "", a.get("data-diff")]
    def handle_endtag(self, tag):
        if tag == "td" and self.cell: self.cells.append(self.cell); self.cell = None
        if tag == "th" and self.th is not None: self.names.append(self.th); self.th = None
        if tag == "title": self.in_title = False
    def handle_data(self, data):
        if self.cell: self.cell[3] += data
        if self.th is not None: self.th += data
        if self.in_title: self.title += data
p = Page(); p.feed(dom)
bad = []
if p.body.get("data-ready") != "1": bad.append("the page's script did not finish")
if "data-script-errors" in p.body: bad.append("script error: " + p.body.get("data-last-error", "?"))
if p.title != "Tempola run report": bad.append("the title changed: " + p.title)
for c in ["chart-redraw", "chart-updates", "chart-seen", "chart-pct-left", "chart-hist-left",
          "chart-pct-right", "chart-hist-right", "chart-pct-redraw", "chart-hist-redraw",
          "chart-pct-display", "chart-hist-display"]:
    if int(p.charts.get(c, {}).get("data-drawn", "0")) <= 0: bad.append(c + " drew nothing")
if p.names[:1] != [hostile]: bad.append("the first run's name is not its text: %r" % p.names[:1])
differences = [c for c in p.cells if c[0] == "figures-differences"]
if len(differences) < 10 * len(lines): bad.append("the table of runs has %d cells" % len(differences))
shown = 0
for table, run, key, text, diff in p.cells:
    value = text.split(" (")[0] if table == "figures-differences" else text
    expect = lines[run].get(key)
    if expect is None or (value != expect and not (expect == "" and value == "\u2013")):
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
for b in bad: print("compare_page_test:", b, file=sys.stderr)
sys.exit(1 if bad else 0)
PY
echo "compare_page_test: ok"
