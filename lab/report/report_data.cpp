#include <cmath>
#include <cstdio>
#include <cstring>

#include "lab/report/fixed_text.h"
#include "lab/report/html_text.h"
#include "lab/report/report_page.h"

namespace {

constexpr int kHistogramBars = 150;
// Points of a percentile curve per tenfold step towards the slow end.
constexpr double kPercentileStep = 0.05;

// The whole run's figures behind a drawn series.
const IntervalFigures& DrawnFigures(const ReportRun& run, int kind) {
    switch (kind) {
    case kDrawnRedraw: return run.cadence->redraw;
    case kDrawnLeft: return run.cadence->left;
    case kDrawnRight: return run.cadence->right;
    case kDrawnLeftSeen: return *run.seen[0];
    default: return *run.seen[1];
    }
}

// Numbers gathered before they go to the file: a page writes tens of
// thousands of them, and one fwrite each cost as much as their formatting.
// Whatever else is written between them goes through Text, in order.
struct Numbers {
    std::FILE* out;
    size_t n;
    char text[8192];
};

void FlushNumbers(Numbers& numbers) {
    std::fwrite(numbers.text, 1, numbers.n, numbers.out);
    numbers.n = 0;
}

void Text(Numbers& numbers, const char* text) {
    FlushNumbers(numbers);
    std::fputs(text, numbers.out);
}

// Numbers as JSON takes them, with places digits after the point: never
// NaN or infinity.
void Number(Numbers& numbers, int places, double v, bool comma) {
    if (numbers.n + kFixedTextSize + 8 > sizeof numbers.text)
        FlushNumbers(numbers);
    char* text = numbers.text + numbers.n;
    size_t n = 0;
    if (comma)
        text[n++] = ',';
    if (std::isfinite(v)) {
        n += FixedText(text + n, v, places);
    } else {
        std::memcpy(text + n, "null", 4);
        n += 4;
    }
    numbers.n += n;
}

// Two points per bucket, in time order: the bucket's extremes; the object
// is left open for what else the series has.
void WriteThinned(std::FILE* out, const ThinnedSeries& thin) {
    Numbers numbers{out, 0, {}};
    for (int pass = 0; pass < 2; ++pass) {
        Text(numbers, pass == 0 ? "{\"t\":[" : "],\"v\":[");
        bool comma = false;
        for (int i = 0; i < thin.count; ++i) {
            const ThinBucket& b = thin.bucket[i];
            const bool minFirst = b.minAt <= b.maxAt;
            const double first =
                pass == 0 ? (minFirst ? b.minAt : b.maxAt) : (minFirst ? b.min : b.max);
            const double second =
                pass == 0 ? (minFirst ? b.maxAt : b.minAt) : (minFirst ? b.max : b.min);
            const int places = pass == 0 ? 6 : 4;
            Number(numbers, places, first, comma);
            // A bucket of one interval is one point.
            if (b.minAt != b.maxAt)
                Number(numbers, places, second, true);
            comma = true;
        }
    }
    FlushNumbers(numbers);
}

// Marked intervals as two members of the open object, their times under
// atKey and their lengths under msKey.
void WriteMarks(std::FILE* out, const StutterMark* marks, int count, const char* atKey,
                const char* msKey) {
    Numbers numbers{out, 0, {}};
    std::fprintf(out, ",\"%s\":[", atKey);
    for (int i = 0; i < count; ++i)
        Number(numbers, 6, marks[i].at, i > 0);
    FlushNumbers(numbers);
    std::fprintf(out, "],\"%s\":[", msKey);
    for (int i = 0; i < count; ++i)
        Number(numbers, 4, marks[i].ms, i > 0);
    Text(numbers, "]");
}

void WriteSeries(std::FILE* out, const DrawnSeries& s) {
    const ThinnedSeries& thin = s.thin;
    WriteThinned(out, thin);
    std::fputc(']', out);
    WriteMarks(out, s.mark, s.marks, "st", "sv");
    if (s.generatedTotal > 0) {
        // Only where a generator made frames: pages of other runs stay as
        // they were.
        WriteMarks(out, s.generated, s.generatedMarks, "gt", "gv");
        std::fprintf(out, ",\"gn\":%llu", static_cast<unsigned long long>(s.generatedTotal));
    }
    std::fprintf(out, ",\"n\":%llu,\"stutters\":%llu}", static_cast<unsigned long long>(thin.total),
                 static_cast<unsigned long long>(s.stutters.stutters));
}

// The interval at each percentile, on an axis of -log10(1 - p), out to
// the slowest interval at p = 1 - 1/n.
void WritePercentiles(std::FILE* out, const IntervalFigures& f) {
    const double n = static_cast<double>(f.count);
    const double last = n > 1.0 ? std::log10(n) : 0.0;
    Numbers numbers{out, 0, {}};
    Text(numbers, "{\"x\":[");
    for (int pass = 0; pass < 2 && f.count > 0; ++pass) {
        if (pass == 1)
            Text(numbers, "],\"ms\":[");
        int k = 0;
        for (; k * kPercentileStep < last; ++k) {
            const double x = k * kPercentileStep;
            const double fraction = 1.0 - std::pow(10.0, -x);
            Number(numbers, 4, pass == 0 ? x : PercentileSeconds(f, fraction) * 1000.0, k > 0);
        }
        Number(numbers, 4, pass == 0 ? last : f.max * 1000.0, k > 0);
    }
    Text(numbers, f.count > 0 ? "]}" : "],\"ms\":[]}");
}

// The figures' fine bins gathered into bars from the shortest interval to
// the longest, each fine bin counted at its middle.
void WriteHistogram(std::FILE* out, const IntervalFigures& f) {
    if (f.count == 0) {
        std::fprintf(out, "{\"from\":0,\"width\":1,\"counts\":[]}");
        return;
    }
    const double fineMs = kFigureBinSeconds * 1000.0;
    const double lo = f.min * 1000.0;
    const double hi = f.max * 1000.0;
    const double width = std::fmax(fineMs, std::ceil((hi - lo) / kHistogramBars / fineMs) * fineMs);
    const double from = std::floor(lo / width) * width;
    const int bars = static_cast<int>(std::fmin((hi - from) / width, kHistogramBars + 1.0)) + 1;
    uint64_t counts[kHistogramBars + 2] = {};
    // Only the bins from the shortest interval's to the longest's hold any.
    const int last = FigureBin(f.max);
    for (int bin = FigureBin(f.min); bin <= last; ++bin) {
        if (f.bins[bin] == 0)
            continue;
        double ms = bin == kFigureBins - 1 ? hi : (bin + 0.5) * fineMs;
        ms = std::fmin(std::fmax(ms, lo), hi);
        int bar = static_cast<int>((ms - from) / width);
        bar = bar < 0 ? 0 : bar >= bars ? bars - 1 : bar;
        counts[bar] += f.bins[bin];
    }
    std::fprintf(out, "{\"from\":%.4f,\"width\":%.4f,\"counts\":[", from, width);
    for (int i = 0; i < bars; ++i)
        std::fprintf(out, i > 0 ? ",%llu" : "%llu", static_cast<unsigned long long>(counts[i]));
    std::fprintf(out, "]}");
}

// An array of what write makes of each drawn series' figures.
void WriteEachKind(std::FILE* out, const ReportRun& run,
                   void (*write)(std::FILE*, const IntervalFigures&)) {
    std::fputc('[', out);
    for (int kind = 0; kind < kDrawnKinds; ++kind) {
        if (kind > 0)
            std::fputc(',', out);
        write(out, DrawnFigures(run, kind));
    }
    std::fputc(']', out);
}

}  // namespace

void WriteReportData(std::FILE* out, const Report& report) {
    const bool display = report.run[0].displayHz > 0.0;
    std::fprintf(out, "{\"display\":%s,\"compare\":%s,", display ? "true" : "false",
                 report.about.compare ? "true" : "false");
    if (report.about.sideBySide)
        std::fprintf(out, "\"sideBySide\":true,");
    std::fprintf(out, "\"runs\":[");
    for (int i = 0; i < report.runs; ++i) {
        const ReportRun& run = report.run[i];
        std::fprintf(out, "%s{", i > 0 ? "," : "");
        if (run.name != nullptr) {
            std::fprintf(out, "\"name\":");
            WriteJsonString(out, run.name);
            std::fputc(',', out);
        }
        std::fprintf(out, "\"rules\":[");
        WriteJsonString(out, PaceRuleName(run.side[0].rule));
        std::fputc(',', out);
        WriteJsonString(out, PaceRuleName(run.side[1].rule));
        std::fprintf(out, "],\"series\":[");
        for (int kind = 0; kind < kDrawnKinds; ++kind) {
            if (kind > 0)
                std::fputc(',', out);
            WriteSeries(out, run.series[kind]);
        }
        std::fprintf(out, "],\"pct\":");
        WriteEachKind(out, run, WritePercentiles);
        std::fprintf(out, ",\"hist\":");
        WriteEachKind(out, run, WriteHistogram);
        // Each side's animation error at its new poses, signed: only where
        // a display showed them.
        std::fprintf(out, ",\"anim\":[");
        for (int side = 0; side < 2 && display && run.counted; ++side) {
            if (side > 0)
                std::fputc(',', out);
            WriteThinned(out, run.animation[side]);
            std::fprintf(out, "]}");
        }
        std::fprintf(out, "]");
        if (run.shown != nullptr) {
            std::fprintf(out, ",\"shownPct\":");
            WritePercentiles(out, *run.shown);
            std::fprintf(out, ",\"shownHist\":");
            WriteHistogram(out, *run.shown);
        }
        std::fprintf(out, "}");
    }
    std::fprintf(out, "]}");
}
