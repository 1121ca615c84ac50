#!/usr/bin/env python3
"""Rate error and jitter against target from tempola-sim --sweep: a line per
rule, a column of panels per redraw rate.

    plot_sweep.py SWEEP.csv -o FILE.png [--seen] [--title TEXT] [--rules a,b]
                  [--animation MOVED.csv]

--seen draws what a modelled display showed (the sweep's seen_ columns)
instead of the updates themselves. Nothing is recomputed but the rate error
of the seen rate, which is its mean rate against the target. --animation
adds a row of each rule's animation error p99 (the sweep's
animation_error_p99_ms): SWEEP.csv's, solid, beside MOVED.csv's, the same
sweep with another motion (--left-motion display), dashed. Exit 2 for an
unreadable or empty sweep.
"""
import argparse
import csv
import sys

NEEDED = ["rule", "redraw_hz", "target", "mean_rate", "rate_error_pct", "jitter_ms"]
SEEN = ["seen_mean_rate", "seen_jitter_ms"]
ERROR_TICKS = [-100, -10, -8, -6, -4, -2, 0, 2, 4, 6, 8, 10, 100, 1000, 10000]


def fail(message):
    print("plot_sweep: " + message, file=sys.stderr)
    sys.exit(2)


def read_animation(path, rules):
    """{redraw_hz: {rule: [(target, animation_error_p99_ms)]}} in file order."""
    panels = {}
    try:
        with open(path, newline="") as f:
            reader = csv.DictReader(f)
            if "animation_error_p99_ms" not in (reader.fieldnames or []):
                fail("%s lacks the column animation_error_p99_ms" % path)
            for line, row in enumerate(reader, start=2):
                if rules and row["rule"] not in rules:
                    continue
                try:
                    point = (float(row["target"]), float(row["animation_error_p99_ms"]))
                    hz = float(row["redraw_hz"])
                except (ValueError, TypeError, KeyError):
                    fail("not a number in %s line %d" % (path, line))
                panels.setdefault(hz, {}).setdefault(row["rule"], []).append(point)
    except OSError as error:
        fail("cannot read %s: %s" % (path, error.strerror))
    return panels


def read_sweep(path, seen, rules):
    """{redraw_hz: {rule: [(target, error_pct, jitter_ms)]}} in file order."""
    panels = {}
    try:
        with open(path, newline="") as f:
            reader = csv.DictReader(f)
            names = reader.fieldnames or []
            missing = [n for n in NEEDED + (SEEN if seen else []) if n not in names]
            if missing:
                fail("%s lacks the columns %s" % (path, ", ".join(missing)))
            for line, row in enumerate(reader, start=2):
                if rules and row["rule"] not in rules:
                    continue
                try:
                    hz = float(row["redraw_hz"])
                    target = float(row["target"])
                    if seen:
                        error = (float(row["seen_mean_rate"]) - target) / target * 100.0
                        jitter = float(row["seen_jitter_ms"])
                    else:
                        error = float(row["rate_error_pct"])
                        jitter = float(row["jitter_ms"])
                except (ValueError, TypeError):
                    fail("not a number in %s line %d" % (path, line))
                panels.setdefault(hz, {}).setdefault(row["rule"], []).append(
                    (target, error, jitter))
    except OSError as error:
        fail("cannot read %s: %s" % (path, error.strerror))
    if not panels:
        fail("%s has no rows" % path)
    return panels


def plot(panels, seen, title, output, animation=None):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    rates = list(panels)
    rows = 3 if animation else 2
    fig, axes = plt.subplots(rows, len(rates), figsize=(3.6 * len(rates) + 1, 3.25 * rows),
                             sharex=True, sharey="row", squeeze=False)
    what = "seen on the display" if seen else "updates"
    for column, hz in enumerate(rates):
        error_axis, jitter_axis = axes[0][column], axes[1][column]
        for rule, points in panels[hz].items():
            targets = [p[0] for p in points]
            error_axis.plot(targets, [p[1] for p in points], linewidth=1, label=rule)
            line, = jitter_axis.plot(targets, [p[2] for p in points], linewidth=1, label=rule)
            if animation:
                motion_axis = axes[2][column]
                for moved, style in ((animation[0], "-"), (animation[1], "--")):
                    got = moved.get(hz, {}).get(rule, [])
                    motion_axis.plot([p[0] for p in got], [p[1] for p in got], style,
                                     linewidth=1, color=line.get_color())
        error_axis.set_title("%g Hz redraws" % hz, fontsize=10)
        error_axis.axhline(0.0, color="black", linewidth=0.6)
        # Linear within 10 %, logarithmic beyond: the paced rules' errors
        # are a few percent until the target passes the redraw rate, the
        # unpaced rule's run to thousands.
        error_axis.set_yscale("symlog", linthresh=10.0, linscale=3.0)
        axes[rows - 1][column].set_xlabel("target (updates/s)")
        for axis in axes[:, column]:
            axis.grid(True, alpha=0.3)
    low, high = axes[0][0].get_ylim()
    ticks = [tick for tick in ERROR_TICKS if low <= tick <= high]
    axes[0][0].set_yticks(ticks)
    axes[0][0].set_yticklabels(["%g" % tick for tick in ticks])
    axes[0][0].set_ylabel("rate error, %s (%%)" % what)
    axes[1][0].set_ylabel("jitter, %s (ms)" % what)
    if animation:
        axes[2][0].set_ylabel("animation error p99 (ms)\nsolid: cpu, dashed: display")
    handles, labels = axes[0][0].get_legend_handles_labels()
    fig.legend(handles, labels, loc="lower center", ncol=len(labels), fontsize=9)
    if title:
        fig.suptitle(title, fontsize=11)
    fig.tight_layout(rect=(0, 0.05, 1, 1))
    fig.savefig(output, dpi=100)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("sweep")
    parser.add_argument("-o", "--output", required=True)
    parser.add_argument("--seen", action="store_true", help="plot the seen_ columns")
    parser.add_argument("--title", default="")
    parser.add_argument("--rules", default="", help="comma-separated rules to draw (default all)")
    parser.add_argument("--animation", default="",
                        help="the same sweep with another motion: a row of animation error p99")
    args = parser.parse_args()
    rules = set(r for r in args.rules.split(",") if r)
    animation = None
    if args.animation:
        animation = (read_animation(args.sweep, rules), read_animation(args.animation, rules))
    plot(read_sweep(args.sweep, args.seen, rules), args.seen, args.title, args.output, animation)


if __name__ == "__main__":
    main()
