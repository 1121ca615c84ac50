// Runs side by side: each figure against the first run's, in %.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "lab/report/html_text.h"
#include "lab/report/report_page.h"
#include "lab/report/report_table.h"

namespace {

struct DifferenceColumn {
    const char* heading;
    StatKey key;
};

const DifferenceColumn kColumns[] = {
    {"redraws", StatKey::kFrames},
    {"redraw rate (Hz)", StatKey::kRate},
    {"redraw jitter (ms)", StatKey::kRedrawJitterMs},
    {"redraw stutters", StatKey::kRedrawStutters},
    {"shown a second", StatKey::kDisplayRate},
    {"shown jitter (ms)", StatKey::kDisplayJitterMs},
    {"shown p99 (fps)", StatKey::kDisplayP99Fps},
    {"shown 1% low average (fps)", StatKey::kDisplayLow1AvgFps},
    {"dropped", StatKey::kDropped},
    {"left mean rate (Hz)", StatKey::kLeftMeanRate},
    {"left jitter (ms)", StatKey::kLeftJitterMs},
    {"left seen jitter (ms)", StatKey::kLeftSeenJitterMs},
    {"right mean rate (Hz)", StatKey::kRightMeanRate},
    {"right jitter (ms)", StatKey::kRightJitterMs},
    {"right seen jitter (ms)", StatKey::kRightSeenJitterMs},
    {"frame to screen p50 (ms)", StatKey::kDisplayLatencyP50Ms},
    {"frame to screen p99 (ms)", StatKey::kDisplayLatencyP99Ms},
    {"captured display latency p50 (ms)", StatKey::kCaptureDisplayLatencyP50Ms},
    {"captured display latency p99 (ms)", StatKey::kCaptureDisplayLatencyP99Ms},
    {"captured PC latency p50 (ms)", StatKey::kCapturePcLatencyP50Ms},
    {"captured PC latency p99 (ms)", StatKey::kCapturePcLatencyP99Ms},
    {"captured input to photon p50 (ms)", StatKey::kCaptureInputLatencyP50Ms},
    {"captured click to photon p50 (ms)", StatKey::kCaptureClickLatencyP50Ms},
};
constexpr int kColumnCount = sizeof kColumns / sizeof kColumns[0];

constexpr size_t kCellSize = 400;

// The cell as the line prints it; false where the run has no value.
bool CellText(const StatRecords& stats, StatKey key, char* text, size_t size) {
    const StatRecord* r = FindStat(stats, key);
    return r != nullptr && FormatStatValue(stats, *r, text, size) && text[0] != '\0';
}

// The difference from the first run's value, as shown: two runs whose cells
// print alike differ by 0.
bool Difference(const Report& report, int run, StatKey key, double* percent) {
    char first[kCellSize];
    char text[kCellSize];
    if (!CellText(report.run[0].stats, key, first, sizeof first) ||
        !CellText(report.run[run].stats, key, text, sizeof text))
        return false;
    const double base = std::strtod(first, nullptr);
    if (base == 0.0)
        return false;
    *percent = (std::strtod(text, nullptr) - base) / std::fabs(base) * 100.0;
    return std::isfinite(*percent);
}

}  // namespace

void WriteDifferenceTable(std::FILE* out, const Report& report) {
    bool shown[kColumnCount] = {};
    char text[kCellSize];
    for (int c = 0; c < kColumnCount; ++c)
        for (int r = 0; r < report.runs; ++r)
            shown[c] =
                shown[c] || CellText(report.run[r].stats, kColumns[c].key, text, sizeof text);
    std::fprintf(out,
                 "<h3>Against the first run</h3>\n<p class=\"note\">Each figure, and in brackets "
                 "its difference from the first run's in %%.</p>\n<div class=\"wide\"><table "
                 "id=\"figures-differences\"><thead><tr><th class=\"name\" scope=\"col\">run</th>");
    for (int c = 0; c < kColumnCount; ++c)
        if (shown[c])
            std::fprintf(out, "<th scope=\"col\">%s</th>", kColumns[c].heading);
    std::fprintf(out, "</tr></thead><tbody>\n");
    for (int r = 0; r < report.runs; ++r) {
        const ReportRun& run = report.run[r];
        std::fprintf(out, "<tr data-run=\"%d\"><th class=\"name\" scope=\"row\">", r);
        WriteHtmlText(out, run.name != nullptr ? run.name : "");
        std::fprintf(out, "</th>");
        for (int c = 0; c < kColumnCount; ++c) {
            if (!shown[c])
                continue;
            const StatKey key = kColumns[c].key;
            std::fprintf(out, "<td data-key=\"%s\"", StatName(key));
            double percent = 0.0;
            const bool differs = r > 0 && Difference(report, r, key, &percent);
            if (differs)
                std::fprintf(out, " data-diff=\"%.1f\"", percent);
            std::fputc('>', out);
            if (CellText(run.stats, key, text, sizeof text))
                WriteHtmlText(out, text);
            else
                std::fprintf(out, "&ndash;");
            if (differs)
                std::fprintf(out, " <span class=\"diff\">(%+.1f %%)</span>", percent);
            std::fprintf(out, "</td>");
        }
        std::fprintf(out, "</tr>\n");
    }
    std::fprintf(out, "</tbody></table></div>\n");
}

int DifferenceTableKeys(StatKey* keys, int most) {
    for (int c = 0; c < kColumnCount && c < most; ++c)
        keys[c] = kColumns[c].key;
    return kColumnCount;
}
