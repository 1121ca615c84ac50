#!/usr/bin/env bash
# The real program on a real Wayland compositor (tests/weston_env.sh), vsync
# off and on and with the display-timed limiter (keys pressed meanwhile),
# with its frame log and figures line. Checks that it exits 0,
# that the figures line names the source and adds up with the log, that the
# log's display columns hold together (display after swap, display times
# only increasing, the seen columns following from the shown rows and the
# update flags), and that the shown redraws and their display times are the
# ones the compositor itself recorded for the window (Weston's timeline).
# Arguments: the tempola binary, the source folder. Exit 77: no Weston here.
set -u
bin=$1
src=$2
export WESTON_ENV_DEBUG=1
. "$src/tests/weston_env.sh" || exit 1

work=$(mktemp -d)
recorder=
trap '[ -n "$recorder" ] && kill "$recorder" 2>/dev/null; [ -n "${KEEP:-}" ] && cp -r "$work" /tmp/wtest; rm -rf "$work"; weston_env_stop' EXIT
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME"
cd "$work"
fail() { echo "FAIL: $*"; [ -f "$work/stderr" ] && sed 's/^/  stderr: /' "$work/stderr"; exit 1; }

# figure KEY: its value on the figures line.
figure() { tr ' ' '\n' <"$work/stats" | sed -n "s/^$1=//p"; }

# What the log says, one line of counts, or a line starting "bad" with the
# first row that breaks a rule. Display times are TimeInSeconds (the swap)
# plus MsUntilDisplayed. The seen rule is recomputed here from the rows: a
# side's interval runs between shown redraws that each showed a pose of that
# side not shown before (the count of its updates so far differs), and
# belongs to the later one; its first pose on screen carries none.
check_log() {
  awk -F, '
    function bad(why) { print "bad row " NR ": " why; failed = 1; exit }
    function near(a, b) { return a - b < 0.002 && b - a < 0.002 }
    NR == 1 {
      for (i = 1; i <= NF; i++) col[$i] = i
      split("Dropped TimeInSeconds MsBetweenDisplayChange MsUntilDisplayed LeftUpdated RightUpdated LeftSeenMs RightSeenMs", need, " ")
      for (i in need) if (!(need[i] in col)) bad("no column " need[i])
      next
    }
    {
      rows++
      updates[0] += $col["LeftUpdated"]; updates[1] += $col["RightUpdated"]
      seen[0] = $col["LeftSeenMs"]; seen[1] = $col["RightSeenMs"]
      d = $col["Dropped"]; until = $col["MsUntilDisplayed"]; between = $col["MsBetweenDisplayChange"]
      if (d == "") {
        unknown++
      } else if (d == "1") {
        dropped++
      } else if (d != "0") {
        bad("Dropped is " d)
      }
      if (d != "0") {
        if (until != "" || between != "" || seen[0] != "" || seen[1] != "") bad("display cells on a row not shown")
        next
      }
      shown++
      if (until == "" || until <= 0) bad("shown with MsUntilDisplayed " until)
      at = $col["TimeInSeconds"] * 1000 + until
      if (shown > 1) {
        if (at <= last) bad("display time " at " ms not after " last " ms")
        if (!near(between, at - last)) bad("MsBetweenDisplayChange " between " against " at - last)
      } else if (between != "") {
        bad("MsBetweenDisplayChange on the first shown row")
      }
      last = at
      for (s = 0; s < 2; s++) {
        if (updates[s] == pose[s]) {
          if (seen[s] != "") bad("seen interval with no new pose")
          continue
        }
        if (started[s]) {
          if (seen[s] == "" || !near(seen[s], at - newPose[s])) bad("seen " seen[s] " against " at - newPose[s])
        } else if (seen[s] != "") {
          bad("seen interval on a side first shown")
        }
        started[s] = 1; pose[s] = updates[s]; newPose[s] = at
      }
    }
    END { if (!failed) printf "rows=%d shown=%d dropped=%d unknown=%d\n", rows, shown, dropped, unknown }
  ' "$1"
}

# Every row, one a line: row number, outcome (0 shown, 1 discarded, empty
# unknown), and for shown rows the display time and the swap, in ms from the
# first frame.
log_rows() {
  awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) col[$i] = i; next }
    { swap = $col["TimeInSeconds"] * 1000; d = $col["Dropped"] == "" ? "-" : $col["Dropped"] }
    d == "0" { printf "%d 0 %.4f %.4f\n", NR - 1, swap + $col["MsUntilDisplayed"], swap; next }
    { print NR - 1, d }' "$1"
}

# The compositor's record of the program's window, from Weston's timeline:
# a line "commits N", then for every repaint that took new content of the
# window, when it reached the screen (the time the presentation feedback
# carries), which of the window's commits it took (1 for the first) and when
# that commit arrived, in ms on the compositor's clock. The timeline names
# surfaces by id, gives the window's a description once it has a role, and
# notes each commit with new content (core_commit_damage) and each surface
# whose content a repaint takes (core_flush_damage).
compositor_repaints() {
  awk '
    function ms(text) { split(text, t, ", "); return t[1] * 1000 + t[2] / 1e6 }
    /"type":"weston_surface"/ && /top-level window .* of tempola/ {
      match($0, /"id":[0-9]+/); window = substr($0, RSTART + 5, RLENGTH - 5)
    }
    window == "" || !match($0, /"T":\[[0-9]+, [0-9]+\]/) { next }
    { at = ms(substr($0, RSTART + 5, RLENGTH - 6)) }
    /"N":"core_commit_damage"/ && index($0, "\"ws\":" window " ") { commits++; committed = at }
    /"N":"core_flush_damage"/ && index($0, "\"ws\":" window ",") { took = commits; tookAt = committed }
    /"N":"core_repaint_finished"/ {
      if (took && match($0, /"vblank_monotonic":\[[0-9]+, [0-9]+\]/))
        printf "%.4f %d %.4f\n", ms(substr($0, RSTART + 20, RLENGTH - 21)), took, tookAt
      took = 0
    }
    END { print "commits", commits + 0 }' "$1"
}

# The log against the compositor. Each redraw is one commit of the window
# (its swap's), so the k-th commit is the k-th row: the rows shown must be
# exactly the commits the compositor's repaints took, with the same display
# times (compared as intervals: the two start from different zeros), and
# each commit arrived after its row's swap. Repaints past the last shown row
# may have taken redraws the program gave up on as it closed, and the
# commits of those may be missing.
check_against_compositor() {
  local mode=$1
  log_rows "$work/log-$mode.csv" >"$work/ours"
  compositor_repaints "$work/timeline-$mode.json" >"$work/theirs"
  awk '
    NR == FNR { rows++; outcome[$1] = $2; if ($2 == "0") { row[++n] = $1; shown[n] = $3; swap[n] = $4 } next }
    $1 == "commits" { commits = $2; next }
    { display[++m] = $1; took[m] = $2; arrived[m] = $3 }
    END {
      # The last few, given up as the program closed, may never have reached
      # the compositor: it closes the window without reading them.
      for (last = rows; last > 0 && outcome[last] == "-"; last--) {}
      if (commits > rows || commits < last) { printf "the window committed %d times for %d redraws\n", commits, rows; exit 1 }
      if (n < 2) { print "too few shown redraws: " n; exit 1 }
      for (i = 1; i <= m; i++) {
        if (i > n) {
          if (outcome[took[i]] != "-") { printf "the compositor showed redraw %d, the log says %s\n", took[i], outcome[took[i]]; exit 1 }
          continue
        }
        if (took[i] != row[i]) { printf "shown redraw %d of the log is row %d, the compositor showed row %d\n", i, row[i], took[i]; exit 1 }
        # Each display time goes onto the counter by two clock readings at
        # its swap, a few microseconds apart (more when the thread is put
        # off between them), and the counter of the program and the clock of
        # the compositor run apart by a few parts in a million (one slewed,
        # one raw): 0.1 ms and 50 ppm allowed.
        a = shown[i] - shown[1]; b = display[i] - display[1]; slack = 0.1 + 5e-5 * b
        if (a - b > slack || b - a > slack) { printf "row %d: shown at %.4f ms, the compositor says %.4f\n", row[i], a, b; exit 1 }
        after = (shown[i] - swap[i]) - (display[i] - arrived[i])
        if (after < -0.01) { printf "row %d: committed %.3f ms before its swap\n", row[i], -after; exit 1 }
      }
      if (m < n) { printf "the log shows %d redraws, the compositor %d\n", n, m; exit 1 }
      printf "the compositor showed the same %d redraws at the same times\n", n
    }' "$work/ours" "$work/theirs"
}

# The columns of the frame limiter's costs, against the figures line: each
# filled exactly where it should be, the latencies' medians as the line says.
# Prints "presses=N" (rows with an input latency) or "bad ...".
check_costs() {
  python3 - "$1" "$work/stats" <<'PY'
import csv, statistics, sys
rows = list(csv.DictReader(open(sys.argv[1])))
fig = dict(p.split("=", 1) for p in open(sys.argv[2]).read().split()[1:])
def bad(why):
    print("bad", why)
    sys.exit(0)
for i, r in enumerate(rows):
    shown = r["Dropped"] == "0"
    if r["MsCPUWait"] == "" or (i > 0 and r["MsCPUBusy"] == ""):
        bad(f"row {i + 1}: no CPU busy or wait")
    if shown != (r["MsDisplayLatency"] != "") or shown != (r["PresentationFlags"] != ""):
        bad(f"row {i + 1}: display latency or flags where not shown, or missing where shown")
    if r["MsAllInputToPhotonLatency"] != "" and not shown:
        bad(f"row {i + 1}: an input latency on a row not shown")
    if shown and float(r["MsDisplayLatency"]) < float(r["MsUntilDisplayed"]):
        bad(f"row {i + 1}: frame start to display shorter than swap to display")
latency = sorted(float(r["MsDisplayLatency"]) for r in rows if r["MsDisplayLatency"])
median = latency[(len(latency) - 1) // 2]
said = float(fig["display_latency_p50_ms"])
if abs(said - median) > 0.01 * median + 0.05:
    bad(f"display_latency_p50_ms={said}, the log's median {median:.3f}")
inputs = [r for r in rows if r["MsAllInputToPhotonLatency"]]
if len(inputs) != int(fig["inputs"]):
    bad(f"{len(inputs)} rows with an input latency, inputs={fig['inputs']}")
print(f"presses={len(inputs)}")
PY
}

# Key presses into the program's window, through the nested compositor's own
# X window (it passes its keyboard on to the focused client): Q, which
# raises the left target.
press_keys() {
  sleep 1.5
  xdotool mousemove 300 300 2>/dev/null
  for _ in 1 2 3 4 5; do
    xdotool key q 2>/dev/null
    sleep 0.2
  done
}

for mode in off on display; do
  vsync=()
  [ "$mode" = on ] && vsync=(--vsync)
  [ "$mode" = display ] && vsync=(--limit display)
  recorder=
  if command -v weston-debug >/dev/null; then
    weston-debug timeline -o "$work/timeline-$mode.json" 2>/dev/null &
    recorder=$!
    sleep 0.5
  fi
  seconds=3
  [ "$mode" = display ] && seconds=6
  SDL_VIDEODRIVER=wayland timeout -k 10 120 "$bin" -fullscreen=0 --seconds "$seconds" --stats \
    --log "$work/log-$mode.csv" "${vsync[@]}" 2>"$work/stderr" &
  run=$!
  [ "$mode" = display ] && command -v xdotool >/dev/null && press_keys
  wait "$run"
  rc=$?
  [ "$rc" -eq 0 ] || fail "vsync $mode: exit code $rc"
  grep '^tempola-stats ' "$work/stderr" >"$work/stats" || fail "vsync $mode: no figures line"
  [ "$(figure display_source)" = wayland ] || fail "vsync $mode: display_source=$(figure display_source)"
  refresh=$(figure display_refresh_ms)
  awk -v r="$refresh" 'BEGIN { exit !(r > 5 && r < 50) }' || fail "vsync $mode: display_refresh_ms=$refresh"

  counts=$(check_log "$work/log-$mode.csv")
  case $counts in rows=*) ;; *) fail "vsync $mode: log: $counts" ;; esac
  eval "$counts"
  [ "$rows" -eq "$(figure frames)" ] || fail "vsync $mode: $rows rows for frames=$(figure frames)"
  [ "$shown" -gt 0 ] || fail "vsync $mode: nothing shown"
  [ "$dropped" -eq "$(figure dropped)" ] || fail "vsync $mode: $dropped dropped rows, dropped=$(figure dropped)"
  [ "$unknown" -eq "$(figure display_unknown)" ] ||
    fail "vsync $mode: $unknown unknown rows, display_unknown=$(figure display_unknown)"
  awk -v s="$shown" -v r="$(figure display_rate)" -v t="$(figure seconds)" \
    'BEGIN { exit !(s - r * t < 0.5 && r * t - s < 0.5) }' ||
    fail "vsync $mode: $shown shown rows, display_rate=$(figure display_rate) over $(figure seconds) s"
  # With no waiting for the refresh the program redraws faster than a
  # compositor repaints; the rest is discarded.
  if [ "$mode" = off ]; then
    awk -v d="$(figure display_rate)" -v r="$(figure rate)" 'BEGIN { exit !(d < r) }' ||
      fail "vsync off: display_rate=$(figure display_rate) not below rate=$(figure rate)"
  fi
  echo "ok: vsync $mode: $counts, rate=$(figure rate) display_rate=$(figure display_rate)"
  costs=$(check_costs "$work/log-$mode.csv")
  case $costs in presses=*) ;; *) fail "$mode: costs: $costs" ;; esac
  if [ "$mode" = display ]; then
    # Just in time for each refresh: at most 1 % of the redraws dropped once
    # it has learnt the display's timing (its first second goes by the
    # refresh rate, which a nested compositor does not keep).
    learnt=$(awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) col[$i] = i; next }
      $col["TimeInSeconds"] >= 1 { n++; d += $col["Dropped"] == "1" } END { print d + 0, n + 0 }' \
      "$work/log-$mode.csv")
    awk -v l="$learnt" 'BEGIN { split(l, v, " "); exit !(v[1] <= 0.01 * v[2]) }' ||
      fail "limit display: ${learnt% *} of ${learnt#* } redraws past the first second dropped"
    [ "$(figure limit)" = display ] || fail "limit display: limit=$(figure limit)"
    if command -v xdotool >/dev/null; then
      [ "${costs#presses=}" -gt 0 ] || fail "limit display: no key press measured"
      [ -n "$(figure input_latency_p50_ms)" ] || fail "limit display: no input latency"
    fi
    echo "ok: limit display: ${learnt% *} of ${learnt#* } dropped past the first second, $costs," \
      "display_latency_p50_ms=$(figure display_latency_p50_ms)" \
      "input_latency_p50_ms=$(figure input_latency_p50_ms)"
  fi

  if [ -n "$recorder" ]; then
    sleep 0.5
    kill "$recorder" 2>/dev/null
    wait "$recorder" 2>/dev/null
    recorder=
    result=$(check_against_compositor "$mode") || fail "vsync $mode: against the compositor: $result"
    echo "ok: vsync $mode: $result"
  fi
done
