#!/usr/bin/env bash
# Makes the README's pacing pictures in docs/ from tempola-sim runs; builds
# nothing itself. Needs python3 with matplotlib (Debian: python3-matplotlib);
# PYTHON picks the interpreter.
#
#   tools/make_figures.sh [TEMPOLA_SIM]   (default build/tempola-sim)
#
#   docs/sweep.png           the default sweep: rate error and jitter of the
#                            paced rules against target, per redraw rate
#   docs/cadence_62_1khz.png both rules at 62 on 1 kHz redraws, 3 s
#   docs/seen_60hz.png       the same behind a 60 Hz display, 10 s: what the
#                            screen shows of each rule
#   docs/sweep_seen_60hz.png every rule behind a 60 Hz display, on 1 kHz
#                            redraws with 2 ms of jitter and on 240 Hz ones:
#                            the seen rate error and seen jitter by target,
#                            and the animation error p99 with cpu and with
#                            display motion
#
# Each run's figures go to standard output too, for the text beside them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sim=${1:-$root/build/tempola-sim}
if [ ! -x "$sim" ]; then
  echo "make_figures: no tempola-sim at $sim (build it first, or pass its path)" >&2
  exit 2
fi
. "$root/tools/matplotlib_python.sh"
if [ -z "$python" ]; then
  echo "make_figures: no python3 with matplotlib (apt-get install python3-matplotlib)" >&2
  exit 2
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$root/docs"

echo "== $sim --sweep"
"$sim" --sweep >"$work/sweep.csv"
"$python" "$root/tools/plot_sweep.py" "$work/sweep.csv" -o "$root/docs/sweep.png" \
  --rules adaptive,fixed,fixed-exact,scheduled \
  --title "Paced rules against target, 10 s per point, ms clock (tempola-sim --sweep)"
grep -E '^(adaptive|fixed|fixed-exact|scheduled),1000,(60|62|120),' "$work/sweep.csv"

echo "== $sim --sweep --display-hz 60 --redraw-list 1000,240 --jitter 2"
"$sim" --sweep --display-hz 60 --redraw-list 1000,240 --jitter 2 >"$work/sweep_seen.csv"
echo "== $sim --sweep --display-hz 60 --redraw-list 1000,240 --jitter 2 --left-motion display"
"$sim" --sweep --display-hz 60 --redraw-list 1000,240 --jitter 2 --left-motion display \
  >"$work/sweep_moved.csv"
"$python" "$root/tools/plot_sweep.py" "$work/sweep_seen.csv" -o "$root/docs/sweep_seen_60hz.png" \
  --seen --rules adaptive,fixed,fixed-exact,scheduled,display-locked \
  --animation "$work/sweep_moved.csv" \
  --title "What a 60 Hz display shows of each rule (tempola-sim --sweep --display-hz 60 --jitter 2)"
# Where display-locked does not have the lowest seen jitter of all rules.
"$python" - "$work/sweep_seen.csv" <<'PY'
import csv, sys
best = {}
for row in csv.DictReader(open(sys.argv[1])):
    key = (row["redraw_hz"], row["target"])
    best.setdefault(key, {})[row["rule"]] = float(row["seen_jitter_ms"])
losses = [(k, r) for k, r in best.items()
          if r["display-locked"] > min(v for n, v in r.items() if n != "display-locked") + 1e-6]
print("display-locked has the lowest seen jitter at %d of %d points" % (len(best) - len(losses), len(best)))
for (hz, target), r in losses[:20]:
    print("  not at %s Hz, target %s: %.3f ms against %.3f ms (%s)" % (
        hz, target, r["display-locked"], min(v for n, v in r.items() if n != "display-locked"),
        min((v, n) for n, v in r.items() if n != "display-locked")[1]))
PY

echo "== $sim --seconds 3 --left-target 62 --right-target 62"
"$sim" --seconds 3 --left-target 62 --right-target 62 --log "$work/cadence.csv"
"$python" "$root/tools/plot_cadence.py" "$work/cadence.csv" -o "$root/docs/cadence_62_1khz.png" \
  --title "Target 62 on 1 kHz redraws, ms clock (tempola-sim --left-target 62 --right-target 62)"

echo "== $sim --seconds 10 --display-hz 60 --left-target 62 --right-target 62"
"$sim" --seconds 10 --display-hz 60 --left-target 62 --right-target 62 --log "$work/seen.csv"
"$python" "$root/tools/plot_cadence.py" "$work/seen.csv" -o "$root/docs/seen_60hz.png" \
  --title "Target 62 on 1 kHz redraws behind a 60 Hz display (tempola-sim --display-hz 60 ...)"

echo "== wrote docs/sweep.png docs/sweep_seen_60hz.png docs/cadence_62_1khz.png docs/seen_60hz.png"
