#!/usr/bin/env python3
"""Each side's update intervals from a frame log, against its nominal 1/target
line, with their histograms; with a modelled display, also the intervals
between refreshes that showed a new pose ("seen").

    plot_cadence.py LOG.csv -o FILE.png [--title TEXT] [--from S] [--to S]

The log is the program's or tempola-sim's (--log). Nothing is recomputed:
the points are the logged intervals. A side's first update is left out, as
it is no interval between updates. Exit 2 for an unreadable or empty log.
"""
import argparse
import csv
import sys

SIDES = ("Left", "Right")
NEEDED = ["TimeInSeconds"] + [side + name for side in SIDES
                              for name in ("Updated", "MsBetweenUpdates", "Target", "Rule")]


def fail(message):
    print("plot_cadence: " + message, file=sys.stderr)
    sys.exit(2)


def number(text, where):
    try:
        return float(text)
    except ValueError:
        fail("not a number in %s: %r" % (where, text))


def read_log(path, start, stop):
    """Per side: update points, seen points, nominal line, and the rules."""
    last = None
    sides = {side: {"updates": [], "seen": [], "nominal": [], "rules": set(), "started": False}
             for side in SIDES}
    try:
        with open(path, newline="") as f:
            reader = csv.DictReader(f)
            missing = [name for name in NEEDED if name not in (reader.fieldnames or [])]
            if missing:
                fail("%s lacks the columns %s" % (path, ", ".join(missing)))
            with_seen = "LeftSeenMs" in reader.fieldnames
            for line, row in enumerate(reader, start=2):
                where = "%s line %d" % (path, line)
                t = number(row["TimeInSeconds"], where)
                last = t
                for side in SIDES:
                    s = sides[side]
                    updated = row[side + "Updated"] == "1"
                    first = updated and not s["started"]
                    s["started"] = s["started"] or updated
                    if t < start or t > stop:
                        continue
                    target = number(row[side + "Target"], where)
                    s["rules"].add(row[side + "Rule"])
                    if not s["nominal"] or s["nominal"][-1][1] != 1000.0 / target:
                        s["nominal"].append((t, 1000.0 / target))
                    if updated and not first and row[side + "MsBetweenUpdates"] != "":
                        s["updates"].append((t, number(row[side + "MsBetweenUpdates"], where)))
                    if with_seen and row[side + "SeenMs"] != "":
                        s["seen"].append((t, number(row[side + "SeenMs"], where)))
    except OSError as error:
        fail("cannot read %s: %s" % (path, error.strerror))
    if last is None:
        fail("%s has no rows" % path)
    return sides, with_seen, min(stop, last)


def summary(points):
    if not points:
        return "no intervals"
    ms = [p[1] for p in points]
    mean = sum(ms) / len(ms)
    spread = (sum((m - mean) ** 2 for m in ms) / len(ms)) ** 0.5
    return "%.2f /s, jitter %.2f ms, worst %.1f ms" % (1000.0 / mean if mean > 0 else 0.0,
                                                       spread, max(ms))


def plot(sides, with_seen, end, title, output):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, axes = plt.subplots(2, 2, figsize=(11, 6.5), sharey="row",
                             gridspec_kw={"width_ratios": [4, 1]}, squeeze=False)
    for row, side in enumerate(SIDES):
        s = sides[side]
        over_time, histogram = axes[row]
        if s["nominal"]:
            xs = [p[0] for p in s["nominal"]] + [end]
            ys = [p[1] for p in s["nominal"]] + [s["nominal"][-1][1]]
            over_time.step(xs, ys, where="post", color="black", linewidth=1,
                           label="1 / target")
        everything = []
        if s["updates"]:
            over_time.plot([p[0] for p in s["updates"]], [p[1] for p in s["updates"]], ".",
                           markersize=3, color="tab:blue", label="between updates")
            everything += [p[1] for p in s["updates"]]
        if with_seen and s["seen"]:
            over_time.plot([p[0] for p in s["seen"]], [p[1] for p in s["seen"]], "x",
                           markersize=3, color="tab:orange", label="seen on the display")
            everything += [p[1] for p in s["seen"]]
        if everything:
            low, high = min(everything), max(everything)
            # A steady cadence still gets bars of a visible height.
            if high - low < 1.0:
                middle = (low + high) / 2
                low, high = middle - 0.5, middle + 0.5
            bins = [low + (high - low) * i / 60 for i in range(61)]
            nominal = [p[1] for p in s["nominal"]]
            pad = 0.05 * (high - low)
            over_time.set_ylim(min([low] + nominal) - pad, max([high] + nominal) + pad)
            histogram.hist([p[1] for p in s["updates"]], bins=bins, orientation="horizontal",
                           color="tab:blue", alpha=0.7)
            if with_seen and s["seen"]:
                histogram.hist([p[1] for p in s["seen"]], bins=bins, orientation="horizontal",
                               color="tab:orange", alpha=0.6)
        heading = "%s: %s — updates %s" % (side.lower(), "/".join(sorted(s["rules"])),
                                           summary(s["updates"]))
        if with_seen:
            heading += "; seen %s" % summary(s["seen"])
        over_time.set_title(heading, fontsize=9, loc="left")
        over_time.set_ylabel("interval (ms)")
        over_time.grid(True, alpha=0.3)
        over_time.legend(loc="upper right", fontsize=8)
        histogram.set_xlabel("count")
        histogram.grid(True, alpha=0.3)
    axes[1][0].set_xlabel("time (s)")
    if title:
        fig.suptitle(title, fontsize=11)
    fig.tight_layout()
    fig.savefig(output, dpi=100)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("log")
    parser.add_argument("-o", "--output", required=True)
    parser.add_argument("--title", default="")
    parser.add_argument("--from", dest="start", type=float, default=float("-inf"),
                        help="first second of the log to draw")
    parser.add_argument("--to", dest="stop", type=float, default=float("inf"),
                        help="last second of the log to draw")
    args = parser.parse_args()
    sides, with_seen, end = read_log(args.log, args.start, args.stop)
    plot(sides, with_seen, end, args.title, args.output)


if __name__ == "__main__":
    main()
