#include <cmath>
#include <cstdlib>
#include <cstring>

#include "lab/report/html_text.h"
#include "lab/report/report_page.h"
#include "lab/report/report_table.h"

namespace {

// A pacer aims at its target: a rate above it is no better than one as far
// below, so every rate of a side is judged by its distance from the target.
enum class Better : uint8_t { kNone, kHigher, kLower, kNearTarget };

struct FigureColumn {
    const char* heading;
    StatKey key;  // the left side's in a side table
    Better better;
};

const FigureColumn kSideColumns[] = {
    {"target (Hz)", StatKey::kLeftTarget, Better::kNone},
    {"updates", StatKey::kLeftUpdates, Better::kNone},
    {"mean rate (Hz)", StatKey::kLeftMeanRate, Better::kNearTarget},
    {"jitter (ms)", StatKey::kLeftJitterMs, Better::kLower},
    {"p99 (fps)", StatKey::kLeftP99Fps, Better::kNearTarget},
    {"1% low average (fps)", StatKey::kLeftLow1AvgFps, Better::kNearTarget},
    {"1% low integral (fps)", StatKey::kLeftLow1IntegralFps, Better::kNearTarget},
    {"worst (ms)", StatKey::kLeftWorstMs, Better::kLower},
    {"stutters", StatKey::kLeftStutters, Better::kLower},
};

// What a display showed of each side: its figures, where there is one.
const FigureColumn kSeenColumns[] = {
    {"target (Hz)", StatKey::kLeftTarget, Better::kNone},
    {"seen mean rate (Hz)", StatKey::kLeftSeenMeanRate, Better::kNearTarget},
    {"seen jitter (ms)", StatKey::kLeftSeenJitterMs, Better::kLower},
    {"seen p99 (fps)", StatKey::kLeftSeenP99Fps, Better::kNearTarget},
    {"seen 1% low average (fps)", StatKey::kLeftSeenLow1AvgFps, Better::kNearTarget},
    {"seen worst (ms)", StatKey::kLeftSeenWorstMs, Better::kLower},
    {"seen stutters", StatKey::kLeftSeenStutters, Better::kLower},
    {"animation error p50 (ms)", StatKey::kLeftAnimationErrorP50Ms, Better::kLower},
    {"animation error p99 (ms)", StatKey::kLeftAnimationErrorP99Ms, Better::kLower},
    {"mispredicted", StatKey::kLeftMispredicted, Better::kLower},
};

// Figures of the whole run; the limiter's costs and the latencies, the
// program's own or those a capture recorded, show where a run has them.
const FigureColumn kRunColumns[] = {
    {"redraws", StatKey::kFrames, Better::kNone},
    {"redraw rate (Hz)", StatKey::kRate, Better::kNone},
    {"redraw jitter (ms)", StatKey::kRedrawJitterMs, Better::kLower},
    {"redraw stutters", StatKey::kRedrawStutters, Better::kLower},
    {"shown a second", StatKey::kDisplayRate, Better::kHigher},
    {"dropped", StatKey::kDropped, Better::kLower},
    {"CPU (% of a core)", StatKey::kCpuPercent, Better::kLower},
    {"wake late p50 (&micro;s)", StatKey::kWakeLateP50Us, Better::kLower},
    {"wake late p99 (&micro;s)", StatKey::kWakeLateP99Us, Better::kLower},
    {"wake late worst (&micro;s)", StatKey::kWakeLateMaxUs, Better::kLower},
    {"frame to screen p50 (ms)", StatKey::kDisplayLatencyP50Ms, Better::kLower},
    {"frame to screen p99 (ms)", StatKey::kDisplayLatencyP99Ms, Better::kLower},
    {"input to screen p50 (ms)", StatKey::kInputLatencyP50Ms, Better::kLower},
    {"input to screen p99 (ms)", StatKey::kInputLatencyP99Ms, Better::kLower},
    {"captured input to photon p50 (ms)", StatKey::kCaptureInputLatencyP50Ms, Better::kLower},
    {"captured input to photon p99 (ms)", StatKey::kCaptureInputLatencyP99Ms, Better::kLower},
    {"captured click to photon p50 (ms)", StatKey::kCaptureClickLatencyP50Ms, Better::kLower},
    {"captured click to photon p99 (ms)", StatKey::kCaptureClickLatencyP99Ms, Better::kLower},
    {"captured PC latency p50 (ms)", StatKey::kCapturePcLatencyP50Ms, Better::kLower},
    {"captured PC latency p99 (ms)", StatKey::kCapturePcLatencyP99Ms, Better::kLower},
    {"captured display latency p50 (ms)", StatKey::kCaptureDisplayLatencyP50Ms, Better::kLower},
    {"captured display latency p99 (ms)", StatKey::kCaptureDisplayLatencyP99Ms, Better::kLower},
    {"redraw animation error p99 (ms)", StatKey::kAnimationErrorP99Ms, Better::kLower},
    {"captured animation error p50 (ms)", StatKey::kCaptureAnimationErrorP50Ms, Better::kLower},
    {"captured animation error p99 (ms)", StatKey::kCaptureAnimationErrorP99Ms, Better::kLower},
};

constexpr int kSides = sizeof kSideColumns / sizeof kSideColumns[0];
constexpr int kSeen = sizeof kSeenColumns / sizeof kSeenColumns[0];
constexpr int kRuns = sizeof kRunColumns / sizeof kRunColumns[0];
static_assert(kSides <= 32 && kSeen <= 32 && kRuns <= 32, "a table's columns fit its marks");

const char* const kSideNames[2] = {"left", "right"};

// Room for any number "%.3f" prints, the largest included.
constexpr size_t kCellSize = 400;

struct Row {
    const StatRecords* stats;
    int run;
    int side;          // -1: a row of the whole run
    const char* name;  // runs side by side: the run's; null otherwise
};

StatKey KeyOf(const Row& row, const FigureColumn& column) {
    return row.side < 0 ? column.key : SideKey(column.key, row.side);
}

// A cell's text, as the line prints it; false where the run has no value.
bool CellText(const Row& row, StatKey key, char* text, size_t size) {
    const StatRecord* r = FindStat(*row.stats, key);
    return r != nullptr && FormatStatValue(*row.stats, *r, text, size) && text[0] != '\0';
}

// A cell's value as it is shown: two cells that print alike are equal,
// whatever digits the print left off. NAN where there is none.
double Shown(const Row& row, StatKey key) {
    char text[kCellSize];
    return CellText(row, key, text, sizeof text) ? std::strtod(text, nullptr) : NAN;
}

// How good a row's cell is, larger better; NAN when it has no number.
double Score(const Row& row, const FigureColumn& column) {
    const double v = column.better == Better::kNone ? NAN : Shown(row, KeyOf(row, column));
    if (std::isnan(v) || column.better == Better::kHigher)
        return v;
    if (column.better == Better::kLower)
        return -v;
    return -std::fabs(v - Shown(row, SideKey(StatKey::kLeftTarget, row.side)));
}

void WriteTable(std::FILE* out, const char* id, const Row* rows, int count,
                const FigureColumn* columns, int columnCount, bool compare) {
    bool shown[32] = {};
    double best[32];
    for (int c = 0; c < columnCount; ++c) {
        best[c] = NAN;
        bool differ = false;
        for (int r = 0; r < count; ++r) {
            char text[kCellSize];
            // A column of nothing but dashes says nothing: the line leaves
            // a value empty where the run cannot know it.
            shown[c] = shown[c] || CellText(rows[r], KeyOf(rows[r], columns[c]), text, sizeof text);
            const double s = Score(rows[r], columns[c]);
            if (std::isnan(s))
                continue;
            differ = differ || (!std::isnan(best[c]) && s != best[c]);
            if (!(s <= best[c]))
                best[c] = s;
        }
        // A column where every row is the same has no best.
        if (!differ)
            best[c] = NAN;
    }
    std::fprintf(
        out,
        "<div class=\"wide\"><table id=\"%s\"><thead><tr><th class=\"name\" scope=\"col\">%s</th>",
        id, compare ? "rule" : "run");
    if (rows[0].side >= 0)
        std::fprintf(out, "<th class=\"name\" scope=\"col\">side</th>");
    for (int c = 0; c < columnCount; ++c)
        if (shown[c])
            std::fprintf(out, "<th scope=\"col\">%s</th>", columns[c].heading);
    std::fprintf(out, "</tr></thead><tbody>\n");
    for (int r = 0; r < count; ++r) {
        const Row& row = rows[r];
        const StatKey ruleKey = SideKey(StatKey::kLeftRule, row.side < 0 ? 0 : row.side);
        const bool hasRule = FindStat(*row.stats, ruleKey) != nullptr;
        const char* rule = StatText(*row.stats, ruleKey);
        std::fprintf(out, "<tr data-run=\"%d\"><th class=\"name\" scope=\"row\">", row.run);
        if (row.name != nullptr)
            WriteHtmlText(out, row.name);
        else if (!compare)
            std::fprintf(out, "this run");
        else if (hasRule)
            WriteHtmlText(out, rule, std::strlen(rule));
        std::fprintf(out, "</th>");
        if (row.side >= 0) {
            std::fprintf(out, "<td class=\"name\">%s", kSideNames[row.side]);
            if (!compare && hasRule) {
                std::fprintf(out, ", ");
                WriteHtmlText(out, rule, std::strlen(rule));
            }
            std::fprintf(out, "</td>");
        }
        for (int c = 0; c < columnCount; ++c) {
            if (!shown[c])
                continue;
            const StatKey key = KeyOf(row, columns[c]);
            char text[kCellSize];
            const bool has = CellText(row, key, text, sizeof text);
            const bool isBest = !std::isnan(best[c]) && Score(row, columns[c]) == best[c];
            std::fprintf(out, "<td data-key=\"%s\"%s>", StatName(key),
                         isBest ? " class=\"best\" title=\"best in this column\"" : "");
            if (has)
                WriteHtmlText(out, text, std::strlen(text));
            else
                std::fprintf(out, "&ndash;");
            std::fprintf(out, "</td>");
        }
        std::fprintf(out, "</tr>\n");
    }
    std::fprintf(out, "</tbody></table></div>\n");
}

}  // namespace

void WriteFigureTables(std::FILE* out, const Report& report) {
    Row rows[2 * kMostReportRuns];
    int count = 0;
    for (int i = 0; i < report.runs; ++i)
        for (int side = 0; side < 2; ++side)
            rows[count++] = Row{&report.run[i].stats, i, side, report.run[i].name};
    std::fprintf(out, "<h3>Each side's updates%s</h3>\n",
                 report.about.sideBySide ? ", a row per run"
                 : report.runs > 1       ? ", a row per rule"
                                         : "");
    WriteTable(out, "figures-sides", rows, count, kSideColumns, kSides, report.about.compare);
    if (report.run[0].displayHz > 0.0) {
        std::fprintf(out, "<h3>As the display showed them</h3>\n");
        WriteTable(out, "figures-seen", rows, count, kSeenColumns, kSeen, report.about.compare);
    }
    count = 0;
    for (int i = 0; i < report.runs; ++i)
        rows[count++] = Row{&report.run[i].stats, i, -1, report.run[i].name};
    std::fprintf(out, "<h3>The redraws</h3>\n");
    WriteTable(out, "figures-runs", rows, count, kRunColumns, kRuns, report.about.compare);
}

int ReportTableKeys(StatKey* keys, int most) {
    int n = 0;
    const auto add = [&](StatKey key) {
        if (n < most)
            keys[n] = key;
        ++n;
    };
    for (int side = 0; side < 2; ++side) {
        add(SideKey(StatKey::kLeftRule, side));
        for (const FigureColumn& c : kSideColumns)
            add(SideKey(c.key, side));
        for (const FigureColumn& c : kSeenColumns)
            add(SideKey(c.key, side));
    }
    for (const FigureColumn& c : kRunColumns)
        add(c.key);
    const int room = n < most ? most - n : 0;
    return n + DifferenceTableKeys(keys + (n < most ? n : most), room);
}
