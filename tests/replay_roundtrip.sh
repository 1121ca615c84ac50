#!/usr/bin/env bash
# A live frame log replayed with the rules and targets it recorded must give
# back every LeftUpdated/RightUpdated flag and every interval, row for row.
#
#   bash tests/replay_roundtrip.sh TEMPOLA_SIM LIVE_LOG
#
# LIVE_LOG is a log the live program wrote (tempola --log FILE), best with
# key presses that changed rules and targets mid-run. Exit 0 when every row
# matches, 1 on the first row that does not (both rows printed), 2 for bad
# arguments or a replay that failed.
set -uo pipefail
sim=${1:?usage: replay_roundtrip.sh TEMPOLA_SIM LIVE_LOG}
live=${2:?usage: replay_roundtrip.sh TEMPOLA_SIM LIVE_LOG}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

[ -s "$live" ] || { echo "replay_roundtrip: no log at $live" >&2; exit 2; }
"$sim" --replay "$live" --log "$work/replayed.csv" --stats >"$work/stats" 2>"$work/err" || {
  echo "replay_roundtrip: the replay failed: $(cat "$work/err")" >&2
  exit 2
}

# The columns compared, by name: the pacers' clock, then per side its flag,
# interval, target and rule.
columns="PacerClockMs LeftUpdated LeftMsBetweenUpdates LeftTarget LeftRule"
columns="$columns RightUpdated RightMsBetweenUpdates RightTarget RightRule"
pick() {
  awk -F, -v want="$columns" '
    NR == 1 { n = split(want, names, " ")
              for (i = 1; i <= NF; ++i) at[$i] = i
              for (k = 1; k <= n; ++k) if (!(names[k] in at)) { print "missing " names[k] > "/dev/stderr"; exit 2 }
              next }
    { row = ""; for (k = 1; k <= n; ++k) row = row (k > 1 ? "," : "") $(at[names[k]]); print row }' "$1"
}
pick "$live" >"$work/before" || exit 2
pick "$work/replayed.csv" >"$work/after" || exit 2

rows=$(wc -l <"$work/before")
[ "$rows" -gt 0 ] || { echo "replay_roundtrip: $live has no rows" >&2; exit 2; }
if ! cmp -s "$work/before" "$work/after"; then
  line=$(cmp "$work/before" "$work/after" | awk '{ print $NF }')
  echo "replay_roundtrip: row $line differs ($columns):" >&2
  echo "  live:     $(sed -n "${line}p" "$work/before")" >&2
  echo "  replayed: $(sed -n "${line}p" "$work/after")" >&2
  exit 1
fi
echo "replay_roundtrip: $rows rows replayed with the same flags and intervals"
