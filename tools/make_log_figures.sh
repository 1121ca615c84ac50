#!/usr/bin/env bash
# Makes the README's two pictures of one log in docs/: a live run's, and the
# same run replayed through other rules. Needs Xvfb (xvfb-run) and python3
# with matplotlib; builds nothing itself.
#
#   tools/make_log_figures.sh [BUILD]   (default build)
#
#   docs/log_live.png      tempola under Xvfb, 20 s, adaptive left, fixed right
#   docs/log_replayed.png  that run's redraws replayed: fixed-exact left,
#                          scheduled right, both at 60
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
. "$root/tools/matplotlib_python.sh"
[ -n "$python" ] || { echo "make_log_figures: no python3 with matplotlib" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
echo "== tempola -fullscreen=0 --seconds 20 --log live.csv (Xvfb)"
xvfb-run -a -s '-screen 0 1024x768x24 -noreset' "$build/tempola" -fullscreen=0 --seconds 20 \
  --stats --log live.csv 2>&1 | grep '^tempola-stats'
"$python" "$root/tools/plot_log.py" live.csv -o "$root/docs/log_live.png" \
  --title "tempola live under Xvfb, 20 s: adaptive left at 62, fixed right at 31"
echo "== tempola-sim --replay live.csv --left-rule fixed-exact --right-rule scheduled (60, 60)"
"$build/tempola-sim" --replay live.csv --left-rule fixed-exact --right-rule scheduled \
  --left-target 60 --right-target 60 --log replayed.csv
"$python" "$root/tools/plot_log.py" replayed.csv -o "$root/docs/log_replayed.png" \
  --title "The same redraws replayed: fixed-exact left, scheduled right, both at 60"
echo "== wrote docs/log_live.png docs/log_replayed.png"
