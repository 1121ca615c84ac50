#!/usr/bin/env bash
# The frame limiters side by side with a peer's, in one run: rounds of each
# variant alternated (the machine is noisy), the swap intervals from the
# program's own log, CPU and the display's figures from its figures line.
#
#   on Xvfb:    the unlimited program; the unlimited program under MangoHud
#               with fps_limit=60; --limit 60 with sleep, spin and hybrid, at
#               swap and at frame
#   on Weston:  the unlimited program; --vsync; --limit display (and with
#               --limit-at frame, a check that the placement changes
#               nothing: it always waits before the frame); --limit 60
#               --limiter hybrid
#
# Prints a table (a row per variant: the swap interval's mean, standard
# deviation, p1 and p99 in ms, CPU as % of one core, and on Weston shown
# redraws a second, dropped %, display latency p50 and p99 in ms; the rounds
# pooled), hybrid at swap against MangoHud round by round, the wake floor of
# this machine (bench/wake_floor), and as its last lines:
#   limiter_spread_ratio=   hybrid at swap over MangoHud, the swap intervals' p99 less
#                           p1 (goal <= 0.05)
#   limiter_jitter_ratio=   the same for their sd (a single stalled interval moves a
#                           short run's sd, whatever limiter runs: no goal)
#   limiter_cpu_ratio=      hybrid at swap over MangoHud, CPU (goal <= 1.25)
#   display_latency_ratio=  --limit display over --vsync, display latency p50 (goal <= 0.40)
# The first three are the medians of the rounds' own ratios.
#
#   bench/limiter.sh [BUILD_DIR [ROUNDS [SECONDS]]]   (build, 3, 5)
# TEMPOLA_LIMITER_PARTS="x11" runs the Xvfb part alone (default "x11 weston";
# the last line is then left out).
# Exit 77: no Xvfb, no MangoHud or no Weston here.
set -u
. "$(dirname "$0")/program_rounds.sh" "xvfb-run mangohud weston python3" "$@"

if [ "${TEMPOLA_LIMITER_PART:-}" = "" ]; then
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
  export TEMPOLA_LIMITER_OUT=$out
  parts=${TEMPOLA_LIMITER_PARTS:-x11 weston}
  if [[ " $parts " == *" x11 "* ]]; then
    TEMPOLA_LIMITER_PART=x11 xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash "$0" "$build" "$rounds" "$seconds" || exit 1
  fi
  if [[ " $parts " == *" weston "* ]]; then
    TEMPOLA_LIMITER_PART=weston bash "$root/tests/weston_env.sh" bash "$0" "$build" "$rounds" "$seconds" || exit 1
  fi
  floor=""
  [ -x "$build/bench/wake_floor" ] && floor=$("$build/bench/wake_floor" 600)
  exec python3 - "$out" "$floor" <<'PY'
import csv, glob, os, statistics, sys
out, floor = sys.argv[1], sys.argv[2]
def figures(path):
    text = open(path).read().split()
    return dict(p.split("=", 1) for p in text if "=" in p and not p.startswith("tempola-stats"))
rows = {}
order = []
rounds = {}  # name: {round: (intervals, cpu)}
def quantile(iv, p):
    return iv[int(p * (len(iv) - 1))]
for log in sorted(glob.glob(os.path.join(out, "*.csv"))):
    name, rnd = os.path.basename(log).rsplit(".", 2)[:2]
    if name not in rows:
        rows[name] = {"intervals": [], "cpu": [], "shown": [], "dropped": [], "frames": [], "p50": [], "p99": []}
    r = rows[name]
    data = list(csv.DictReader(open(log)))
    # Past the first second: start-up and the first uploads are nobody's limiter.
    mine = [float(d["MsBetweenPresents"]) for d in data[1:] if float(d["TimeInSeconds"]) >= 1.0]
    r["intervals"] += mine
    f = figures(log[:-4] + ".stats")
    def num(key):
        v = f.get(key, "")
        return float(v) if v not in ("", None) else None
    for key, into in (("cpu_percent", "cpu"), ("display_rate", "shown"), ("display_latency_p50_ms", "p50"),
                      ("display_latency_p99_ms", "p99")):
        if num(key) is not None:
            r[into].append(num(key))
    if num("dropped") is not None:
        r["dropped"].append(num("dropped"))
        r["frames"].append(num("frames"))
    rounds.setdefault(name, {})[int(rnd)] = (sorted(mine), num("cpu_percent"))
def mean(v):
    return statistics.mean(v) if v else float("nan")
def row(name):
    r = rows[name]
    iv = sorted(r["intervals"])
    q = lambda p: iv[int(p * (len(iv) - 1))]
    res = {"mean": mean(iv), "sd": statistics.pstdev(iv), "p1": q(0.01), "p99": q(0.99), "cpu": mean(r["cpu"]),
           "shown": mean(r["shown"]), "dropped": 100.0 * sum(r["dropped"]) / sum(r["frames"]) if r["frames"] else float("nan"),
           "lat50": statistics.median(r["p50"]) if r["p50"] else float("nan"),
           "lat99": statistics.median(r["p99"]) if r["p99"] else float("nan")}
    return res
names = [n for n in ["x11-unlimited", "x11-mangohud-60", "x11-sleep-swap", "x11-spin-swap", "x11-hybrid-swap",
                     "x11-sleep-frame", "x11-spin-frame", "x11-hybrid-frame", "weston-unlimited", "weston-vsync",
                     "weston-display", "weston-display-frame", "weston-hybrid-60"] if n in rows]
print(f"{'variant':20} {'mean':>8} {'sd':>7} {'p1':>7} {'p99':>7} {'cpu%':>6} {'shown/s':>8} {'drop%':>6} {'lat50':>7} {'lat99':>7}")
got = {}
for n in names:
    g = got[n] = row(n)
    print(f"{n:20} {g['mean']:8.3f} {g['sd']:7.3f} {g['p1']:7.3f} {g['p99']:7.3f} {g['cpu']:6.1f} "
          f"{g['shown']:8.1f} {g['dropped']:6.2f} {g['lat50']:7.2f} {g['lat99']:7.2f}")
print(f"(intervals in ms past each run's first second, {len(glob.glob(os.path.join(out, 'x11-hybrid-swap.*.csv')))} rounds each)")
for n in ("x11-hybrid-frame",):
    if n in got and "x11-mangohud-60" in got:
        m = got["x11-mangohud-60"]
        print(f"hybrid at frame over MangoHud (the same placement, no goal): sd {got[n]['sd'] / m['sd']:.3f}, cpu {got[n]['cpu'] / m['cpu']:.3f}")
if floor:
    print(floor)
if "weston-unlimited" in got:
    u, v = got["weston-unlimited"], got["weston-vsync"]
    for n in ("weston-display", "weston-display-frame"):
        print(f"{n} display latency p50 over the unlimited program's: {got[n]['lat50'] / u['lat50']:.3f}, "
              f"over --vsync: {got[n]['lat50'] / v['lat50']:.3f}")
# Each Xvfb variant round by round: the swap intervals' p1 to p99 spread
# and CPU, and their medians (one stalled round moves the pooled table).
print("variant              spread ms, round by round        median spread  median cpu%")
for n in names:
    if not n.startswith("x11-"):
        continue
    sp = [quantile(iv, 0.99) - quantile(iv, 0.01) for _, (iv, _) in sorted(rounds[n].items())]
    cp = [c for _, (_, c) in sorted(rounds[n].items()) if c is not None]
    print(f"{n:20} {' '.join(f'{v:8.3f}' for v in sp):32} {statistics.median(sp):13.3f}"
          f"  {statistics.median(cp) if cp else float('nan'):10.1f}")
# Hybrid at the swap against MangoHud, round by round: each round's ratios,
# then their medians.
spread, sd, cpu = [], [], []
print("round  hybrid spread ms  MangoHud spread ms  spread ratio  sd ratio  cpu ratio")
for rnd in sorted(rounds.get("x11-hybrid-swap", {})):
    if rnd not in rounds.get("x11-mangohud-60", {}):
        continue
    (hi, hc), (mi, mc) = rounds["x11-hybrid-swap"][rnd], rounds["x11-mangohud-60"][rnd]
    hs, ms_ = quantile(hi, 0.99) - quantile(hi, 0.01), quantile(mi, 0.99) - quantile(mi, 0.01)
    spread.append(hs / ms_)
    sd.append(statistics.pstdev(hi) / statistics.pstdev(mi))
    cpu.append(hc / mc)
    print(f"{rnd:5d}  {hs:16.3f}  {ms_:18.3f}  {spread[-1]:12.3f}  {sd[-1]:8.3f}  {cpu[-1]:9.3f}")
print(f"limiter_spread_ratio={statistics.median(spread):.3f}")
print(f"limiter_jitter_ratio={statistics.median(sd):.3f}")
print(f"limiter_cpu_ratio={statistics.median(cpu):.3f}")
if "weston-display" in got:
    print(f"display_latency_ratio={got['weston-display']['lat50'] / got['weston-vsync']['lat50']:.3f}")
PY
fi

# One part, inside its display server: every variant once a round.
out=$TEMPOLA_LIMITER_OUT
rounds_inside
run() {  # name round [env ...] -- options: the program under env and ${preload[@]}
  local name=$1 round=$2
  shift 2
  wrap=(env)
  while [ "$1" != -- ]; do wrap+=("$1"); shift; done
  shift
  wrap+=("${preload[@]}")
  program_run "$name" "$round" "$@"
}
for round in $(seq 1 "$rounds"); do
  if [ "$TEMPOLA_LIMITER_PART" = x11 ]; then
    preload=()
    run x11-unlimited "$round" SDL_VIDEODRIVER=x11 -- || exit 1
    # SDL finds the GL entry points with dlsym, which only the --dlsym
    # variant of the preload sees.
    preload=(mangohud --dlsym)
    run x11-mangohud-60 "$round" SDL_VIDEODRIVER=x11 MANGOHUD_CONFIG=fps_limit=60 -- || exit 1
    preload=()
    for at in swap frame; do
      for method in sleep spin hybrid; do
        run "x11-$method-$at" "$round" SDL_VIDEODRIVER=x11 -- --limit 60 --limiter "$method" --limit-at "$at" || exit 1
      done
    done
  else
    preload=()
    run weston-unlimited "$round" SDL_VIDEODRIVER=wayland -- || exit 1
    run weston-vsync "$round" SDL_VIDEODRIVER=wayland -- --vsync || exit 1
    run weston-display "$round" SDL_VIDEODRIVER=wayland -- --limit display || exit 1
    run weston-display-frame "$round" SDL_VIDEODRIVER=wayland -- --limit display --limit-at frame || exit 1
    run weston-hybrid-60 "$round" SDL_VIDEODRIVER=wayland -- --limit 60 --limiter hybrid || exit 1
  fi
done
