#!/usr/bin/env bash
# The simulator's display model against a real compositor: runs tempola
# under Weston (nested in Xvfb) with vsync off, then tempola-sim at the same
# redraw rate, redraw jitter and the refresh rate the compositor actually
# kept, for several latch times, and prints one table row per run of the
# seen figures both sides got.
#
#   bench/display_model.sh [BUILD [SECONDS [LATCHES]]]   (build, 10, "0 4 8 12")
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
seconds=${2:-10}
latches=${3:-0 4 8 12}
for tool in Xvfb weston; do
  command -v "$tool" >/dev/null || { echo "display_model: $tool is not installed" >&2; exit 77; }
done
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
display=$((200 + $$ % 300))
Xvfb ":$display" -noreset -screen 0 1024x768x24 >"$work/xvfb.log" 2>&1 &
pids+=($!)
mkdir -m 700 "$work/runtime"
sleep 1
# --idle-time=0: an idle output goes to sleep and discards every frame.
DISPLAY=":$display" XDG_RUNTIME_DIR=$work/runtime weston --backend=x11-backend.so \
  --socket=wl-bench --idle-time=0 >"$work/weston.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -S "$work/runtime/wl-bench" ] && break; sleep 0.1; done
[ -S "$work/runtime/wl-bench" ] || { cat "$work/weston.log"; echo "display_model: no compositor" >&2; exit 1; }

value() { tr ' ' '\n' <<<"$1" | sed -n "s/^$2=//p"; }
row() {  # source, latch, then the stats line
  local line=$3
  printf '| %s | %s | %s | %s | %s | %s | %s | %s |\n' "$1" "$2" \
    "$(value "$line" left_seen_mean_rate)" "$(value "$line" left_seen_jitter_ms)" \
    "$(value "$line" left_seen_p99_fps)" "$(value "$line" right_seen_mean_rate)" \
    "$(value "$line" right_seen_jitter_ms)" "$(value "$line" right_seen_p99_fps)"
}

live=$(DISPLAY= XDG_RUNTIME_DIR=$work/runtime WAYLAND_DISPLAY=wl-bench SDL_VIDEODRIVER=wayland \
  "$build/tempola" -fullscreen=0 --seconds "$seconds" --stats 2>&1 | grep '^tempola-stats')
rate=$(value "$live" rate)
jitter=$(value "$live" redraw_jitter_ms)
shown=$(value "$live" display_rate)
refresh=$(value "$live" display_refresh_ms)
echo "live: $rate redraws/s (jitter $jitter ms), $shown shown/s, refresh $refresh ms (said)," \
  "$(value "$live" display_jitter_ms) ms jitter between shown redraws, longest $(value "$live" display_worst_ms) ms"
echo
echo "| run | latch ms | left seen rate | left seen jitter ms | left seen p99 fps | right seen rate | right seen jitter ms | right seen p99 fps |"
echo "|---|---|---|---|---|---|---|---|"
row "Weston, live" - "$live"
# The model's redraws are evenly spaced with a uniform delay: twice the
# measured spread as the delay's width gives about that spread.
model_jitter=$(awk -v j="$jitter" 'BEGIN { printf "%.3f", 2 * j }')
for hz in "$(awk -v r="$refresh" 'BEGIN { printf "%.3f", 1000 / r }')" "$shown"; do
  for latch in $latches; do
    sim=$("$build/tempola-sim" --stats --seconds "$seconds" --redraw "$rate" --jitter "$model_jitter" \
      --display-hz "$hz" --latch-ms "$latch")
    row "model, $hz Hz" "$latch" "$sim"
  done
done
