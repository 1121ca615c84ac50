#!/usr/bin/env python3
"""Each side's update intervals from a frame log, against its nominal 1/target
line, with their histograms; with a modelled display, also the intervals
between refreshes that showed a new pose ("seen").

    plot_cadence.py LOG.csv -o FILE.png [--title TEXT] [--from S] [--to S]

The log is the program's or tempola-sim's (--log). Nothing is recomputed:
the points are the logged intervals. A side's first update is left out, as
it is no interval between updates. Exit 2 for an unreadable or empty log.
"""
import csv

from log_plot import SIDES, arguments, fail, figure, label_panel, number, save, span, summary

NEEDED = ["TimeInSeconds"] + [side + name for side in SIDES
                              for name in ("Updated", "MsBetweenUpdates", "Target", "Rule")]


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


def plot(sides, with_seen, end, title, output):
    fig, axes = figure(2, 6.5)
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
            low, high, bins = span(everything)
            nominal = [p[1] for p in s["nominal"]]
            pad = 0.05 * (high - low)
            over_time.set_ylim(min([low] + nominal) - pad, max([high] + nominal) + pad)
            histogram.hist([p[1] for p in s["updates"]], bins=bins, orientation="horizontal",
                           color="tab:blue", alpha=0.7)
            if with_seen and s["seen"]:
                histogram.hist([p[1] for p in s["seen"]], bins=bins, orientation="horizontal",
                               color="tab:orange", alpha=0.6)
        heading = "%s: %s — updates %s" % (side.lower(), "/".join(sorted(s["rules"])),
                                           summary(s["updates"], "no intervals"))
        if with_seen:
            heading += "; seen %s" % summary(s["seen"], "no intervals")
        label_panel(over_time, histogram, heading)
        over_time.legend(loc="upper right", fontsize=8)
    save(fig, axes, title, output)


def main():
    parser = arguments(__doc__)
    parser.add_argument("--from", dest="start", type=float, default=float("-inf"),
                        help="first second of the log to draw")
    parser.add_argument("--to", dest="stop", type=float, default=float("inf"),
                        help="last second of the log to draw")
    args = parser.parse_args()
    sides, with_seen, end = read_log(args.log, args.start, args.stop)
    plot(sides, with_seen, end, args.title, args.output)


if __name__ == "__main__":
    main()
