#!/usr/bin/env bash
# tempola-sim --report end to end: the refusals at the command line, then
# two pages opened in headless Chromium (a replayed frame log, and every
# rule over a replayed capture), each checked for script errors, for charts
# that drew, and for a table that says what the --stats line says.
#
#   bash tests/report_test.sh TEMPOLA_SIM SOURCE_DIR [SCREENSHOT.png]
#
# Exit 77 (skipped) after the command-line checks when there is no
# chromium or python3.
set -uo pipefail
sim=${1:?usage: report_test.sh TEMPOLA_SIM SOURCE_DIR [SCREENSHOT]}
src=${2:?usage: report_test.sh TEMPOLA_SIM SOURCE_DIR [SCREENSHOT]}
shot=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "report_test: $*" >&2; exit 1; }
. "$(dirname "$0")/chromium_page.sh"

# exit code, then the command; standard error must say why when it fails.
expect_exit() {
  local want=$1
  shift
  timeout 60 "$@" >"$work/out" 2>"$work/err"
  local got=$?
  [ "$got" = "$want" ] || fail "$* exited $got, not $want: $(cat "$work/err")"
  if [ "$want" != 0 ]; then
    [ -s "$work/err" ] || fail "$* said nothing on standard error"
  fi
}
empty() { [ -z "$(ls -A "$1")" ] || fail "$2: left $(ls -A "$1")"; }

# A page that cannot be written is refused before a billion redraws are made.
expect_exit 2 "$sim" --seconds 1e6 --report "$work/no/such/folder/run.html"
grep -q "cannot write" "$work/err" || fail "unwritable page: $(cat "$work/err")"
mkdir "$work/pages"
expect_exit 2 "$sim" --seconds 1e6 --report "$work/pages"
expect_exit 2 env TEMPOLA_DYGRAPHS_DIR="$work/none" "$sim" --report "$work/pages/x.html"
grep -q "libjs-dygraphs" "$work/err" || fail "no library: $(cat "$work/err")"
empty "$work/pages" "a refused report"
# A library that would close the page's script early is refused, in any
# case and however late in the file; a lone '<' at its very end is not.
mkdir "$work/lib"
printf '/* x */' >"$work/lib/dygraph.min.css"
head -c 200000 /dev/zero | tr '\0' 'a' >"$work/lib/dygraph.min.js"
printf 'x</ScRiPt' >>"$work/lib/dygraph.min.js"
expect_exit 2 env TEMPOLA_DYGRAPHS_DIR="$work/lib" "$sim" --seconds 1 --report "$work/pages/x.html"
grep -q "closing tag" "$work/err" || fail "closing tag: $(cat "$work/err")"
printf 'var a = 1 <' >"$work/lib/dygraph.min.js"
expect_exit 0 env TEMPOLA_DYGRAPHS_DIR="$work/lib" "$sim" --seconds 1 --report "$work/pages/x.html"
rm -f "$work/pages/x.html"

# A capture that fails part-way (time goes back on line 40) leaves nothing.
{
  echo "Application,ProcessID,SwapChainAddress,Runtime,SyncInterval,PresentFlags,Dropped,TimeInSeconds,MsBetweenPresents,MsBetweenDisplayChange,MsUntilDisplayed"
  for i in $(seq 1 60); do
    t=$i; [ "$i" = 39 ] && t=1
    printf 'bad.exe,1,0x1,DXGI,1,0,0,%d.0,10,10,5\n' "$t"
  done
} >"$work/broken.csv"
expect_exit 2 "$sim" --replay "$work/broken.csv" --report "$work/pages/broken.html"
grep -q "line 40" "$work/err" || fail "the failed replay does not name its line: $(cat "$work/err")"
expect_exit 2 "$sim" --replay "$work/broken.csv" --compare-rules --report "$work/pages/broken.html"
empty "$work/pages" "a failed replay"

# An application name that is markup, quotes and bytes that are not UTF-8.
hostile=$(printf "<script>document.title='owned'</script><img src=x onerror=alert(1)>&\"q\xff")
{
  echo "Application,ProcessID,SwapChainAddress,Runtime,SyncInterval,PresentFlags,Dropped,TimeInSeconds,MsBetweenPresents,MsBetweenDisplayChange,MsUntilDisplayed"
  for i in $(seq 0 299); do
    printf '%s,1,0x1,DXGI,1,0,0,%d.%03d,16.7,16.7,4\n' "$hostile" $((i * 167 / 10000)) $((i * 167 / 10 % 1000))
  done
} >"$work/hostile.csv"
expect_exit 0 "$sim" --replay "$work/hostile.csv" --stats --report "$work/pages/hostile.html"
cp "$work/out" "$work/hostile.stats"
page=$work/pages/hostile.html
grep -q "document.title='owned'" "$page" && fail "the capture's script reached the page"
grep -q "<img" "$page" && fail "the capture's markup reached the page"
[ "$(grep -o '<script' "$page" | wc -l)" = 4 ] || fail "the page holds other scripts than its own four"
grep -q "&lt;script&gt;document.title=&#39;owned&#39;&lt;/script&gt;" "$page" ||
  fail "the application's name is not on the page as text"

# What the capture says of its machine is on the page, as text too.
{
  printf '//GameName=<b>Quake</b> & "co"\n//Processor=Ryzen 5\n//GraphicCardName=Arc A770\n'
  echo "Application,ProcessID,SwapChainAddress,Runtime,SyncInterval,PresentFlags,Dropped,TimeInSeconds,MsBetweenPresents"
  for i in $(seq 0 99); do printf 'q.exe,1,0x1,DXGI,1,0,0,%d.%02d,10\n' $((i / 100)) $((i % 100)); done
} >"$work/machine.csv"
expect_exit 0 "$sim" --replay "$work/machine.csv" --report "$work/pages/machine.html"
for fact in "capture's game</th><td>&lt;b&gt;Quake&lt;/b&gt; &amp; &quot;co&quot;<" \
  "capture's CPU</th><td>Ryzen 5<" "capture's GPU</th><td>Arc A770<"; do
  grep -qF "$fact" "$work/pages/machine.html" || fail "the page lacks $fact"
done
grep -q "limiter</th>" "$work/pages/machine.html" && fail "a replay's page names a limiter"

# A report's replay says what a plain replay says of the capture's clock.
expect_exit 0 "$sim" --replay "$src/tests/data/capture/presentmon24_qpc.csv" --compare-rules \
  --report "$work/pages/ticks.html"
grep -q "fitted against MsBetweenPresents" "$work/err" || fail "no word on the tick rate: $(cat "$work/err")"

# The run of a JSON capture asked for is the one on the page.
json=$src/tests/data/capture/capframex.json
expect_exit 0 "$sim" --replay "$json" --run 2 --stats
cp "$work/out" "$work/run2.stats"
expect_exit 0 "$sim" --replay "$json" --run 2 --stats --report "$work/pages/run2.html"
sed 's/ [a-z_]*stutters=[0-9]*//g' "$work/out" | cmp -s - "$work/run2.stats" || fail "--run 2 not replayed"
expect_exit 0 "$sim" --replay "$json" --stats
cmp -s "$work/out" "$work/run2.stats" && fail "the two runs of the capture look the same"
expect_exit 2 "$sim" --replay "$json" --run 3 --report "$work/pages/run3.html"

# A limited run's page says how it was limited, and shows what it cost.
expect_exit 0 "$sim" --seconds 20 --limit 60 --limiter spin --limit-at frame --display-hz 60 \
  --stats --report "$work/limited.html"
cp "$work/out" "$work/limited.stats"
grep -qF "limiter</th><td>60 Hz, spin at frame," "$work/limited.html" ||
  fail "the limited page does not say how it was limited"
for key in cpu_percent wake_late_p99_us display_latency_p99_ms; do
  grep -q "data-key=\"$key\"" "$work/limited.html" || fail "the limited page has no $key"
done
# Columns the line leaves empty for every row are left out.
grep -q 'data-key="cpu_percent"' "$work/pages/machine.html" && fail "an empty CPU column"

need_chromium "the pages were"

check_page() {  # page, stats file
  open_page "$1"
  read_page "$1.dom" "$2" <<'PY' || fail "$1: the page is not as it should be"
lines = stats_lines(sys.argv[2])
want = ["chart-redraw", "chart-updates", "chart-pct-left", "chart-hist-left", "chart-pct-right", "chart-hist-right"]
if "display_hz" in lines[0]: want += ["chart-seen"]
if lines[0].get("left_animation_error_p50_ms"): want += ["chart-animation"]
drawn(want)
if len(p.cells) < 10 * len(lines): bad.append("the table has %d cells" % len(p.cells))
for _, run, key, text, _ in p.cells:
    expect = lines[run].get(key)
    if not matches(text, expect): bad.append("run %d %s: page %r, --stats %r" % (run, key, text, expect))
for i, line in enumerate(lines):
    for side in ("left", "right"):
        if line[side + "_stutters"] == "": bad.append("no stutters counted")
# The worst update interval is on the first screen: the chart's range reaches it.
worst = max(float(l[s + "_worst_ms"]) for l in lines for s in ("left", "right"))
if float(p.charts["chart-updates"]["data-y-top"]) < worst: bad.append("the worst interval is off the chart")
PY
}

# A run logged (with stalls, so that there are stutters to mark) and replayed.
expect_exit 0 "$sim" --seconds 20 --jitter 2 --stall 1000:150 --display-hz 60 --stats --report "$work/model.html"
cp "$work/out" "$work/model.stats"
check_page "$work/model.html" "$work/model.stats"
expect_exit 0 "$sim" --seconds 20 --jitter 2 --stall 1000:150 --display-hz 60 --log "$work/live.csv"
expect_exit 0 "$sim" --replay "$work/live.csv" --stats --report "$work/replay.html"
cp "$work/out" "$work/replay.stats"
check_page "$work/replay.html" "$work/replay.stats"
grep -q "left_stutters=[1-9]" "$work/replay.stats" || fail "the stalls made no stutters"
# The report changes no figure: the line without it is the same but for the stutters.
expect_exit 0 "$sim" --replay "$work/live.csv" --stats
sed 's/ [a-z_]*stutters=[0-9]*//g' "$work/replay.stats" | cmp -s - "$work/out" ||
  fail "--report changed the --stats figures"

check_page "$work/limited.html" "$work/limited.stats"

# Every rule over a capture's redraws, with its display times.
expect_exit 0 "$sim" --replay "$src/tests/data/capture/presentmon1.csv" --compare-rules --stats \
  --report "$work/compare.html"
cp "$work/out" "$work/compare.stats"
[ "$(grep -c '^tempola-stats' "$work/compare.stats")" = 6 ] || fail "not a line per rule"
check_page "$work/compare.html" "$work/compare.stats"
# In a browser too, the capture's name stays text: the title is the page's.
check_page "$page" "$work/hostile.stats"

# Frame generation: a capture's generated frames are marked on the redraw
# chart, and a modelled generator's page opens clean too.
expect_exit 0 "$sim" --replay "$src/tests/data/capture/presentmon24_framegen.csv" --stats \
  --report "$work/framegen.html"
cp "$work/out" "$work/framegen.stats"
grep -q '"gn":6' "$work/framegen.html" || fail "the generated frames are not marked"
grep -q '"gn":' "$work/replay.html" && fail "generated frames marked where there are none"
check_page "$work/framegen.html" "$work/framegen.stats"
expect_exit 0 "$sim" --redraw 30 --display-hz 60 --frame-gen 2 --seconds 10 --stall 1000:150 \
  --stats --report "$work/modelgen.html"
cp "$work/out" "$work/modelgen.stats"
check_page "$work/modelgen.html" "$work/modelgen.stats"

if [ -n "$shot" ]; then
  browse --hide-scrollbars --window-size=1200,2000 --screenshot="$shot" "file://$work/replay.html" ||
    fail "no screenshot"
fi
echo "report_test: ok"
