#include <cmath>
#include <cstdlib>
#include <cstring>

#include "lab/report/html_text.h"
#include "lab/report/report_page.h"

namespace {

// A pacer aims at its target: a rate above it is no better than one as far
// below, so every rate of a side is judged by its distance from the target.
enum class Better : uint8_t { kNone, kHigher, kLower, kNearTarget };

struct FigureColumn {
    const char* heading;
    const char* key;  // after "left_" or "right_" in the side table
    Better better;
};

const FigureColumn kSideColumns[] = {
    {"target (Hz)", "target", Better::kNone},
    {"updates", "updates", Better::kNone},
    {"mean rate (Hz)", "mean_rate", Better::kNearTarget},
    {"jitter (ms)", "jitter_ms", Better::kLower},
    {"p99 (fps)", "p99_fps", Better::kNearTarget},
    {"1% low average (fps)", "low1_avg_fps", Better::kNearTarget},
    {"1% low integral (fps)", "low1_integral_fps", Better::kNearTarget},
    {"worst (ms)", "worst_ms", Better::kLower},
    {"stutters", "stutters", Better::kLower},
};

// What a display showed of each side: its figures, where there is one.
const FigureColumn kSeenColumns[] = {
    {"target (Hz)", "target", Better::kNone},
    {"seen mean rate (Hz)", "seen_mean_rate", Better::kNearTarget},
    {"seen jitter (ms)", "seen_jitter_ms", Better::kLower},
    {"seen p99 (fps)", "seen_p99_fps", Better::kNearTarget},
    {"seen 1% low average (fps)", "seen_low1_avg_fps", Better::kNearTarget},
    {"seen worst (ms)", "seen_worst_ms", Better::kLower},
    {"seen stutters", "seen_stutters", Better::kLower},
};

// Figures of the whole run; the limiter's costs and the latencies, the
// program's own or those a capture recorded, show where a run has them.
const FigureColumn kRunColumns[] = {
    {"redraws", "frames", Better::kNone},
    {"redraw rate (Hz)", "rate", Better::kNone},
    {"redraw jitter (ms)", "redraw_jitter_ms", Better::kLower},
    {"redraw stutters", "redraw_stutters", Better::kLower},
    {"shown a second", "display_rate", Better::kHigher},
    {"dropped", "dropped", Better::kLower},
    {"CPU (% of a core)", "cpu_percent", Better::kLower},
    {"wake late p50 (&micro;s)", "wake_late_p50_us", Better::kLower},
    {"wake late p99 (&micro;s)", "wake_late_p99_us", Better::kLower},
    {"wake late worst (&micro;s)", "wake_late_max_us", Better::kLower},
    {"frame to screen p50 (ms)", "display_latency_p50_ms", Better::kLower},
    {"frame to screen p99 (ms)", "display_latency_p99_ms", Better::kLower},
    {"input to screen p50 (ms)", "input_latency_p50_ms", Better::kLower},
    {"input to screen p99 (ms)", "input_latency_p99_ms", Better::kLower},
    {"captured input to photon p50 (ms)", "capture_input_latency_p50_ms", Better::kLower},
    {"captured input to photon p99 (ms)", "capture_input_latency_p99_ms", Better::kLower},
    {"captured click to photon p50 (ms)", "capture_click_latency_p50_ms", Better::kLower},
    {"captured click to photon p99 (ms)", "capture_click_latency_p99_ms", Better::kLower},
    {"captured PC latency p50 (ms)", "capture_pc_latency_p50_ms", Better::kLower},
    {"captured PC latency p99 (ms)", "capture_pc_latency_p99_ms", Better::kLower},
    {"captured display latency p50 (ms)", "capture_display_latency_p50_ms", Better::kLower},
    {"captured display latency p99 (ms)", "capture_display_latency_p99_ms", Better::kLower},
};

const char* const kSideNames[2] = {"left", "right"};

struct Row {
    const char* stats;
    int run;
    int side;  // -1: a row of the whole run
};

void KeyOf(const Row& row, const FigureColumn& column, char* key, size_t size) {
    if (row.side < 0)
        std::snprintf(key, size, "%s", column.key);
    else
        std::snprintf(key, size, "%s_%s", kSideNames[row.side], column.key);
}

// How good a row's cell is, larger better; NAN when it has no number.
double Score(const Row& row, const FigureColumn& column) {
    char key[64];
    KeyOf(row, column, key, sizeof key);
    const char* text = nullptr;
    size_t size = 0;
    if (column.better == Better::kNone || !StatValue(row.stats, key, &text, &size) || size == 0)
        return NAN;
    const double v = std::strtod(text, nullptr);
    if (column.better == Better::kHigher)
        return v;
    if (column.better == Better::kLower)
        return -v;
    std::snprintf(key, sizeof key, "%s_target", kSideNames[row.side]);
    if (!StatValue(row.stats, key, &text, &size) || size == 0)
        return NAN;
    return -std::fabs(v - std::strtod(text, nullptr));
}

void WriteTable(std::FILE* out, const char* id, const Row* rows, int count,
                const FigureColumn* columns, int columnCount, bool compare) {
    bool shown[32] = {};
    double best[32];
    for (int c = 0; c < columnCount; ++c) {
        best[c] = NAN;
        bool differ = false;
        for (int r = 0; r < count; ++r) {
            char key[64];
            KeyOf(rows[r], columns[c], key, sizeof key);
            const char* text = nullptr;
            size_t size = 0;
            // A column of nothing but dashes says nothing: the line leaves
            // a value empty where the run cannot know it.
            shown[c] = shown[c] || (StatValue(rows[r].stats, key, &text, &size) && size > 0);
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
        char key[64];
        std::snprintf(key, sizeof key, "%s_rule", kSideNames[row.side < 0 ? 0 : row.side]);
        const char* rule = nullptr;
        size_t ruleSize = 0;
        std::fprintf(out, "<tr data-run=\"%d\"><th class=\"name\" scope=\"row\">", row.run);
        if (!compare)
            std::fprintf(out, "this run");
        else if (StatValue(row.stats, key, &rule, &ruleSize))
            WriteHtmlText(out, rule, ruleSize);
        std::fprintf(out, "</th>");
        if (row.side >= 0) {
            std::fprintf(out, "<td class=\"name\">%s", kSideNames[row.side]);
            if (!compare && StatValue(row.stats, key, &rule, &ruleSize)) {
                std::fprintf(out, ", ");
                WriteHtmlText(out, rule, ruleSize);
            }
            std::fprintf(out, "</td>");
        }
        for (int c = 0; c < columnCount; ++c) {
            if (!shown[c])
                continue;
            KeyOf(row, columns[c], key, sizeof key);
            const char* text = nullptr;
            size_t size = 0;
            const bool has = StatValue(row.stats, key, &text, &size) && size > 0;
            const bool isBest = !std::isnan(best[c]) && Score(row, columns[c]) == best[c];
            std::fprintf(out, "<td data-key=\"%s\"%s>", key,
                         isBest ? " class=\"best\" title=\"best in this column\"" : "");
            if (has)
                WriteHtmlText(out, text, size);
            else
                std::fprintf(out, "&ndash;");
            std::fprintf(out, "</td>");
        }
        std::fprintf(out, "</tr>\n");
    }
    std::fprintf(out, "</tbody></table></div>\n");
}

}  // namespace

bool StatValue(const char* line, const char* key, const char** value, size_t* size) {
    const size_t n = std::strlen(key);
    for (const char* p = std::strchr(line, ' '); p != nullptr; p = std::strchr(p + 1, ' ')) {
        if (std::strncmp(p + 1, key, n) == 0 && p[1 + n] == '=') {
            *value = p + 2 + n;
            *size = std::strcspn(*value, " \n");
            return true;
        }
    }
    return false;
}

void WriteFigureTables(std::FILE* out, const Report& report) {
    Row rows[2 * kMostReportRuns];
    int count = 0;
    for (int i = 0; i < report.runs; ++i)
        for (int side = 0; side < 2; ++side)
            rows[count++] = Row{report.run[i].stats, i, side};
    constexpr int kSides = sizeof kSideColumns / sizeof kSideColumns[0];
    constexpr int kSeen = sizeof kSeenColumns / sizeof kSeenColumns[0];
    constexpr int kRuns = sizeof kRunColumns / sizeof kRunColumns[0];
    static_assert(kSides <= 32 && kSeen <= 32 && kRuns <= 32, "a table's columns fit its marks");
    std::fprintf(out, "<h3>Each side's updates%s</h3>\n",
                 report.runs > 1 ? ", a row per rule" : "");
    WriteTable(out, "figures-sides", rows, count, kSideColumns, kSides, report.about.compare);
    if (report.run[0].displayHz > 0.0) {
        std::fprintf(out, "<h3>As the display showed them</h3>\n");
        WriteTable(out, "figures-seen", rows, count, kSeenColumns, kSeen, report.about.compare);
    }
    count = 0;
    for (int i = 0; i < report.runs; ++i)
        rows[count++] = Row{report.run[i].stats, i, -1};
    std::fprintf(out, "<h3>The redraws</h3>\n");
    WriteTable(out, "figures-runs", rows, count, kRunColumns, kRuns, report.about.compare);
}
