"""What the scripts that draw one frame log share: the sides, the refusal
(exit 2, named after the script run), numbers read from cells, the
argument line, the summary of a run of intervals and the frame of each
panel and of the figure."""
import argparse
import os
import sys

SIDES = ("Left", "Right")


def fail(message):
    name = os.path.splitext(os.path.basename(sys.argv[0]))[0]
    print("%s: %s" % (name, message), file=sys.stderr)
    sys.exit(2)


def number(text, where):
    try:
        return float(text)
    except ValueError:
        fail("not a number in %s: %r" % (where, text))


def arguments(doc):
    """The log, -o OUTPUT and --title: add further options, then parse."""
    parser = argparse.ArgumentParser(description=doc.split("\n\n")[0])
    parser.add_argument("log")
    parser.add_argument("-o", "--output", required=True)
    parser.add_argument("--title", default="")
    return parser


def summary(points, empty):
    if not points:
        return empty
    ms = [p[1] for p in points]
    mean = sum(ms) / len(ms)
    spread = (sum((m - mean) ** 2 for m in ms) / len(ms)) ** 0.5
    return "%.2f /s, jitter %.2f ms, worst %.1f ms" % (1000.0 / mean if mean > 0 else 0.0,
                                                       spread, max(ms))


def span(values):
    """The range of the histogram's bars and their 61 edges."""
    low, high = min(values), max(values)
    # A steady cadence still gets bars of a visible height.
    if high - low < 1.0:
        middle = (low + high) / 2
        low, high = middle - 0.5, middle + 0.5
    return low, high, [low + (high - low) * i / 60 for i in range(61)]


def figure(rows, height):
    """A row a panel: intervals over time, and beside it their histogram."""
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    return plt.subplots(rows, 2, figsize=(11, height), sharey="row", squeeze=False,
                        gridspec_kw={"width_ratios": [4, 1]})


def label_panel(over_time, histogram, heading):
    over_time.set_title(heading, fontsize=9, loc="left")
    over_time.set_ylabel("interval (ms)")
    over_time.grid(True, alpha=0.3)
    histogram.set_xlabel("count")
    histogram.grid(True, alpha=0.3)


def save(fig, axes, title, output):
    axes[-1][0].set_xlabel("time (s)")
    if title:
        fig.suptitle(title, fontsize=11)
    fig.tight_layout()
    fig.savefig(output, dpi=100)
