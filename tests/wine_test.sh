#!/usr/bin/env bash
# The Windows build under Wine in a fresh prefix on Xvfb: its own checks,
# then tempola.exe itself, closed once by its --seconds option and once by
# Escape. Each run must draw, exit 0, print the pixel-format line on the
# debugger channel and leave Vektorum.INI with its four keys in the prefix's
# Windows folder.
# Arguments: the Linux tempola binary (unused), the source folder, the
# x11_close helper (unused). Exits 77 (skipped) when Wine, Xvfb or the
# Windows build is not there.
set -u
src=$2
win=$src/build-win
exe=$win/tempola.exe

skip() { echo "SKIP: $*"; exit 77; }
if [ "${TEMPOLA_IN_XVFB:-}" != 1 ]; then
  command -v wine >/dev/null || skip "wine is not installed (scripts/setup.sh installs it)"
  command -v xvfb-run >/dev/null || skip "xvfb-run is not installed"
  command -v xdotool >/dev/null || skip "xdotool is not installed"
  [ -f "$exe" ] || skip "$exe is missing (scripts/build-windows.sh builds it)"
  # -noreset: a server that resets as its last client leaves turns away whoever
  # connects next for a moment.
  exec env TEMPOLA_IN_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0" "$@"
fi

. "$(dirname "$0")/x11_window.sh"
work=$(mktemp -d)
export WINEPREFIX=$work/prefix
export WINEDLLOVERRIDES="mscoree,mshtml="  # no runtime installers in a fresh prefix
# "-all" first keeps Wine's launcher quiet; debugstr carries the debugger channel.
export WINEDEBUG=-all
cleanup() {
  wineserver -k >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$work/stderr" ] && sed 's/^/  stderr: /' "$work/stderr"; exit 1; }

# The sanitizer run preloads the GL driver for our own binaries; Wine's
# processes have no use for it.
unset LD_PRELOAD
# Making a prefix failed once in many runs, with "ShellExecuteEx failed:
# Internal error". Most likely Wine met the X server in the middle of a
# reset, which -noreset now prevents; should anything else cause it, a
# failed attempt is retried in a fresh prefix, and only three failures fail
# the test.
made=0
for attempt in 1 2 3; do
  if timeout 120 wineboot -i >"$work/wineboot.log" 2>&1; then
    made=1
    break
  fi
  echo "wineboot attempt $attempt failed: $(tail -1 "$work/wineboot.log")"
  wineserver -k >/dev/null 2>&1
  rm -rf "$WINEPREFIX"
  sleep 1
done
[ "$made" = 1 ] || fail "could not make a Wine prefix: $(tail -3 "$work/wineboot.log")"
wineserver -w
ini=$WINEPREFIX/drive_c/windows/Vektorum.INI

for t in tempola_win32_requests tempola_win32_backend; do
  [ -f "$win/$t.exe" ] || fail "$win/$t.exe is missing"
  out=$(set -o pipefail; timeout 60 wine "$win/$t.exe" 2>/dev/null | tr -d '\r')
  rc=$?
  echo "$out"
  [ "$rc" -eq 0 ] || fail "$t exited with $rc"
  echo "$out" | grep -q ' 0 failed$' || fail "$t did not report its checks"
done

# Runs from a folder without the pictures: they are found beside the exe.
mkdir -p "$work/run"
cd "$work/run"

start() {  # options for tempola.exe
  rm -f "$ini"
  WINEDEBUG=-all,+debugstr wine "$exe" -fullscreen=0 "$@" 2>"$work/stderr" &
  pid=$!
  wid=
  for _ in $(seq 1 200); do
    wid=$(xdotool search --name '^(OpenGL program|.*FPS:.*)$' 2>/dev/null | head -1)
    [ -n "$wid" ] && break
    sleep 0.1
  done
  [ -n "$wid" ] || fail "no window appeared"
}

finish() {  # what closed it
  wait "$pid"
  rc=$?
  wineserver -w
  [ "$rc" -eq 0 ] || fail "exit code $rc after $1"
  grep -q 'OutputDebugStringA "PixelFormat Selected: [1-9][0-9]*\\nBPP: [0-9]*\\n"' "$work/stderr" ||
    fail "no pixel-format line on the debugger channel after $1"
  [ -f "$ini" ] || fail "no $ini after $1"
  tr -d '\r' <"$ini" >"$work/ini"
  for line in '[Settings]' 'Fullscreen=0' 'Width=640' 'Height=480'; do
    grep -qxF -- "$line" "$work/ini" || fail "settings file lacks '$line' after $1: $(cat "$work/ini")"
  done
  grep -qx 'BitsPerPixel=[1-9][0-9]*' "$work/ini" || fail "settings file lacks BitsPerPixel after $1"
  echo "ok: $1"
}

# Only a frame drawn at or after the three seconds closes it: the close
# itself shows that frames ran.
begin=$(date +%s%N)
start --seconds 3 --stats --log run.csv --right-rule every-redraw
caption_within 'FPS:' 50 || fail "caption did not show the frame rate"
finish "--seconds 3"
elapsed_ms=$((($(date +%s%N) - begin) / 1000000))
[ "$elapsed_ms" -ge 3000 ] || fail "closed after $elapsed_ms ms, before its three seconds"
# The same options as on Linux: the figures line also on the debugger
# channel, and one log row per frame.
stats=$(grep -o 'tempola-stats exit=0 frames=[0-9]* .*right_rule=every-redraw' "$work/stderr" | head -1)
[ -n "$stats" ] || fail "no figures line with the chosen rule on the debugger channel"
frames=$(echo "$stats" | sed 's/.* frames=\([0-9]*\) .*/\1/')
rows=$(($(wc -l <run.csv) - 1))
[ "$rows" -eq "$frames" ] || fail "$rows log rows for $frames frames"
echo "ok: --stats and --log ($frames frames)"

start
caption_within 'FPS:' 50 || fail "caption did not show the frame rate"
# Wine takes real key presses only: focus the window and press.
xdotool windowfocus --sync "$wid" key Escape
finish Escape

# The frame limiter on Windows: its sleep (a high-resolution waitable timer,
# or Sleep at a 1 ms period where Wine has none) and spin keep 60 swaps a
# second. Judged by the median swap interval past the first second, within
# 2 % (Wine's timers are coarser than Linux's): a busy machine stalls Wine's
# loop now and then, and a stall is followed by a short catching-up interval,
# so a mean that leaves out the long ones but keeps the short ones reads low.
start --seconds 4 --stats --log limited.csv --limit 60
finish "--limit 60"
grep -q 'tempola-stats exit=0 .* limit=60 limiter=hybrid limit_at=swap' "$work/stderr" ||
  fail "no figures line with the limit"
median=$(awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) col[$i] = i; next }
  $col["TimeInSeconds"] >= 1 { print $col["MsBetweenPresents"] }' limited.csv |
  sort -g | awk '{ v[++n] = $1 } END { if (n >= 60) printf "%.4f", v[int((n + 1) / 2)] }')
awk -v m="$median" 'BEGIN { exit !(m != "" && m > 16.667 * 0.98 && m < 16.667 * 1.02) }' ||
  fail "--limit 60: median swap interval '$median' ms"
echo "ok: --limit 60 (median swap interval $median ms)"
