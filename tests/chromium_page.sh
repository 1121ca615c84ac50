# Report pages opened in headless Chromium, and what their script left in
# them read back, for the tests of the pages. Sourced, after the sourcing
# script has set work (a folder of its own) and fail:
#
#   need_chromium WHAT   exits 77 (skipped), saying WHAT was not opened, when
#                        there is no chromium or python3
#   browse ARGS...       Chromium headless, its log in $work/chromium.log
#   open_page PAGE       PAGE.dom: the page as its script left it
#   read_page DOM ARGS... <<'PY'
#                        the checks on standard input, in Python, run on the
#                        page read; each fault goes to standard error and
#                        the status is 1 if there is any
#
# The checks find sys.argv[1:] (DOM ARGS...) and:
#   p       the page: body (its attributes), title, charts (each chart's
#           attributes by id), cells ([table, run, key, text, diff] a figure
#           cell) and rows ([table, text] a row's heading)
#   bad     the faults, to add to; it already holds a script that did not
#           finish or failed and a changed title
#   drawn(ids)          a fault for each chart that drew nothing
#   stats_lines(path)   a --stats file's lines, each a dict
#   matches(text, want) a cell says what its --stats value says ("" a dash)

chromium_page_test=$(basename "$0" .sh)

need_chromium() {
  command -v chromium >/dev/null && command -v python3 >/dev/null && return 0
  echo "$chromium_page_test: no chromium or python3: $1 not opened" >&2
  exit 77
}

# Chromium headless as root needs --no-sandbox; a profile of its own, and a
# bound on its time.
browse() {
  timeout 90 chromium --headless --no-sandbox --disable-gpu --disable-dev-shm-usage \
    --no-first-run --user-data-dir="$work/profile" "$@" 2>>"$work/chromium.log"
}

# The virtual time lets the script finish drawing before the DOM is taken.
open_page() {
  browse --virtual-time-budget=5000 --dump-dom "file://$1" >"$1.dom" ||
    fail "chromium could not open $1: $(tail -3 "$work/chromium.log")"
}

read_page() {
  python3 -c "$chromium_page_reader
$(cat)
for b in bad: print(test + ':', b, file=sys.stderr)
sys.exit(1 if bad else 0)" "$chromium_page_test" "$@"
}

chromium_page_reader=$(cat <<'PY'
import html.parser, sys
test = sys.argv.pop(1)
class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.body, self.charts, self.cells, self.rows, self.title = {}, {}, [], [], ""
        self.table, self.run, self.cell, self.th, self.in_title = None, None, None, None, False
    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "body": self.body = a
        if tag == "title": self.in_title = True
        if tag == "table": self.table = a.get("id")
        if tag == "div" and a.get("class") == "chart": self.charts[a["id"]] = a
        if tag == "tr" and "data-run" in a: self.run = int(a["data-run"])
        if tag == "th" and a.get("scope") == "row": self.th = ""
        if tag == "td" and "data-key" in a: self.cell = [self.table, self.run, a["data-key"], "", a.get("data-diff")]
    def handle_endtag(self, tag):
        if tag == "td" and self.cell: self.cells.append(self.cell); self.cell = None
        if tag == "th" and self.th is not None: self.rows.append([self.table, self.th]); self.th = None
        if tag == "title": self.in_title = False
    def handle_data(self, data):
        if self.cell: self.cell[3] += data
        if self.th is not None: self.th += data
        if self.in_title: self.title += data
p = Page(); p.feed(open(sys.argv[1], encoding="utf-8").read())
bad = []
if p.body.get("data-ready") != "1": bad.append("the page's script did not finish")
if "data-script-errors" in p.body: bad.append("script error: " + p.body.get("data-last-error", "?"))
if p.title != "Tempola run report": bad.append("the title changed: " + p.title)
def drawn(ids):
    for c in ids:
        if int(p.charts.get(c, {}).get("data-drawn", "0")) <= 0: bad.append(c + " drew nothing")
def stats_lines(path):
    return [dict(kv.split("=", 1) for kv in l.split()[1:]) for l in open(path).read().split("\n")
            if l.startswith("tempola-stats")]
def matches(text, want):
    return want is not None and (text == want or (want == "" and text == "\u2013"))
PY
)
