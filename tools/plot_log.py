#!/usr/bin/env python3
"""One frame log drawn whole: each side's update intervals over time with
their histogram, the seen intervals where the log has them, and the redraw
and display intervals.

    plot_log.py LOG.csv -o FILE.png [--title TEXT]

LOG is a frame log of tempola or tempola-sim (--log), live, modelled or
replayed (--replay), in its present shape or the older one. Nothing is
recomputed: the points are the logged cells. Exit 2 for a file that is not
such a log or has no rows.
"""
import csv

from log_plot import SIDES, arguments, fail, figure, label_panel, number, save, span, summary

NEEDED = ["TimeInSeconds", "MsBetweenPresents"] + [
    side + name for side in SIDES for name in ("Updated", "MsBetweenUpdates", "Rule")]


def read_log(path):
    series = {name: [] for name in ("Left", "Right", "LeftSeen", "RightSeen", "redraw",
                                    "display")}
    rules = {side: set() for side in SIDES}
    started = {side: False for side in SIDES}
    rows = 0
    try:
        with open(path, newline="") as f:
            reader = csv.DictReader(f)
            names = reader.fieldnames or []
            missing = [name for name in NEEDED if name not in names]
            if missing:
                fail("%s is not a frame log: it lacks %s" % (path, ", ".join(missing)))
            has = {name: name in names for name in
                   ("LeftSeenMs", "RightSeenMs", "MsBetweenDisplayChange")}
            for line, row in enumerate(reader, start=2):
                where = "%s line %d" % (path, line)
                t = number(row["TimeInSeconds"], where)
                if rows > 0:
                    series["redraw"].append((t, number(row["MsBetweenPresents"], where)))
                rows += 1
                for side in SIDES:
                    rules[side].add(row[side + "Rule"])
                    if row[side + "Updated"] == "1":
                        cell = row[side + "MsBetweenUpdates"]
                        if started[side] and cell:
                            series[side].append((t, number(cell, where)))
                        started[side] = True
                    seen = row.get(side + "SeenMs") or ""
                    if has[side + "SeenMs"] and seen:
                        series[side + "Seen"].append((t, number(seen, where)))
                shown = row.get("MsBetweenDisplayChange") or ""
                if has["MsBetweenDisplayChange"] and shown:
                    series["display"].append((t, number(shown, where)))
    except OSError as error:
        fail("cannot read %s: %s" % (path, error.strerror))
    except (csv.Error, UnicodeDecodeError) as error:
        fail("cannot read %s: %s" % (path, error))
    if rows == 0:
        fail("%s has no rows" % path)
    return series, rules


def panel(over_time, histogram, layers, heading):
    values = [p[1] for points, _, _ in layers for p in points]
    if values:
        _, _, bins = span(values)
        for points, color, label in layers:
            if points:
                over_time.plot([p[0] for p in points], [p[1] for p in points], ".",
                               markersize=2, color=color, label=label)
                histogram.hist([p[1] for p in points], bins=bins, orientation="horizontal",
                               color=color, alpha=0.6)
        over_time.legend(loc="upper right", fontsize=8)
    label_panel(over_time, histogram, heading)


def plot(series, rules, title, output):
    fig, axes = figure(3, 9)
    for row, side in enumerate(SIDES):
        layers = [(series[side], "tab:blue", "between updates"),
                  (series[side + "Seen"], "tab:orange", "seen on the display")]
        heading = "%s: %s — updates %s" % (side.lower(), "/".join(sorted(rules[side])),
                                           summary(series[side], "none"))
        if series[side + "Seen"]:
            heading += "; seen %s" % summary(series[side + "Seen"], "none")
        panel(axes[row][0], axes[row][1], layers, heading)
    layers = [(series["redraw"], "tab:gray", "between redraws"),
              (series["display"], "tab:green", "between display changes")]
    heading = "redraws %s" % summary(series["redraw"], "none")
    if series["display"]:
        heading += "; display %s" % summary(series["display"], "none")
    panel(axes[2][0], axes[2][1], layers, heading)
    save(fig, axes, title, output)


def main():
    parser = arguments(__doc__)
    args = parser.parse_args()
    series, rules = read_log(args.log)
    plot(series, rules, args.title, args.output)


if __name__ == "__main__":
    main()
