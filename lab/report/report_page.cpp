#include "lab/report/report_page.h"

#include <cstring>

#include "lab/report/html_text.h"

extern const char kReportScript[];
extern const char kReportStyle[];

namespace {

const char* const kSideNames[2] = {"left", "right"};

void Fact(std::FILE* out, const char* name, const char* value) {
    std::fprintf(out, "<tr><th scope=\"row\">%s</th><td>", name);
    WriteHtmlText(out, value);
    std::fprintf(out, "</td></tr>\n");
}

void Command(std::FILE* out, const ReportAbout& about) {
    std::fprintf(out, "<tr><th scope=\"row\">command</th><td><code>");
    for (int i = 0; i < about.argc; ++i) {
        if (i > 0)
            std::fputc(' ', out);
        WriteHtmlText(out, about.argv[i]);
    }
    std::fprintf(out, "</code></td></tr>\n");
}

// A fact the run's description may leave out.
void KnownFact(std::FILE* out, const char* name, const char* value) {
    if (value != nullptr && value[0] != '\0')
        Fact(out, name, value);
}

void WhatRan(std::FILE* out, const Report& report) {
    const ReportAbout& about = report.about;
    const ReportRun& first = report.run[0];
    const bool replay = about.replayPath != nullptr;
    char text[1024];
    if (replay) {
        std::fprintf(out, "<tr><th scope=\"row\">replay of</th><td>");
        WriteHtmlText(out, about.replayPath);
        std::fprintf(out, " (");
        WriteHtmlText(out, about.format);
        if (about.applicationSize > 0) {
            std::fprintf(out, ", application ");
            WriteHtmlText(out, about.application, about.applicationSize);
            std::fprintf(out, ", swap chain ");
            if (about.swapChainSize > 0)
                WriteHtmlText(out, about.swapChain, about.swapChainSize);
            else
                std::fputc('-', out);
        }
        std::fprintf(out, "): %llu redraws over %.3f s</td></tr>\n",
                     static_cast<unsigned long long>(first.frames), first.seconds);
    } else if (about.sideBySide) {
        // Run names come from the command line: text, as the values are.
        for (int i = 0; i < report.runs; ++i) {
            std::fprintf(out, "<tr><th scope=\"row\">");
            WriteHtmlText(out, report.run[i].name);
            std::fprintf(out, "</th><td>");
            WriteHtmlText(out, report.run[i].description);
            std::fprintf(out, "</td></tr>\n");
        }
    } else {
        KnownFact(out, "modelled run", about.redraws);
    }
    Fact(out, "pacers' clock", about.millisecondClock ? "milliseconds (32-bit)" : "microseconds");
    if (about.compare) {
        std::snprintf(text, sizeof text,
                      "every rule in turn, both sides; targets left %.1f, right %.1f",
                      first.side[0].target, first.side[1].target);
    } else {
        std::snprintf(text, sizeof text, "left %s at %.1f, right %s at %.1f%s",
                      PaceRuleName(first.side[0].rule), first.side[0].target,
                      PaceRuleName(first.side[1].rule), first.side[1].target,
                      replay ? " (at the capture's end)" : "");
    }
    Fact(out, "rules", text);
    if (first.displayHz <= 0.0)
        std::snprintf(text, sizeof text, "none: no seen figures");
    else if (std::strcmp(first.displaySource, "capture") == 0)
        std::snprintf(text, sizeof text, "the capture's display times (about %.2f Hz)",
                      first.displayHz);
    else
        std::snprintf(text, sizeof text,
                      "modelled at %g Hz, taking redraws until %g ms before "
                      "each refresh",
                      first.displayHz, first.latchMs);
    Fact(out, "display", text);
    KnownFact(out, "limiter", about.limiter);
    KnownFact(out, "capture's game", about.game);
    KnownFact(out, "capture's CPU", about.cpu);
    KnownFact(out, "capture's GPU", about.gpu);
    std::snprintf(text, sizeof text, "%ld", about.cores);
    Fact(out, "cores here", text);
}

void Chart(std::FILE* out, const char* id, const char* label) {
    std::fprintf(out,
                 "<div><div id=\"%s\" class=\"chart\" role=\"img\" aria-label=\"%s\"></div>"
                 "<div id=\"%s-legend\" class=\"legend\"></div></div>\n",
                 id, label, id);
}

void Charts(std::FILE* out, const Report& report) {
    const bool display = report.run[0].displayHz > 0.0;
    std::fprintf(out,
                 "<h2>Intervals over time</h2>\n<p class=\"note\">Drag to zoom, shift-drag to "
                 "pan, double-click to see it all; the three charts move together. Each point "
                 "of a long run stands for its stretch's shortest and longest interval, so no "
                 "spike is thinned away. Large dots mark stutters: intervals over 2.5 times the "
                 "mean of the 20 before and 20 after.</p>\n");
    Chart(out, "chart-redraw", "redraw intervals over time");
    Chart(out, "chart-updates", "each side's update intervals over time");
    if (display)
        Chart(out, "chart-seen", "each side's seen intervals over time");
    // A run whose poses no display showed (a modelled frame generator's
    // application frames, say) has no error to draw.
    bool animated = false;
    for (int i = 0; i < report.runs; ++i)
        animated = animated || report.run[i].animation[0].total + report.run[i].animation[1].total > 0;
    if (display && animated)
        Chart(out, "chart-animation",
              "each side's animation error over time: how far a new pose moved on screen by "
              "other than the time that passed there (ms)");
    for (int side = 0; side < 2; ++side) {
        std::fprintf(out,
                     "<h2>The %s side's intervals</h2>\n<p class=\"note\">The interval at each "
                     "percentile, the slow end drawn out, and how many intervals of each "
                     "length%s.</p>\n<div class=\"pair\">\n",
                     kSideNames[side], display ? " (dashed: as seen)" : "");
        char id[64];
        char label[128];
        std::snprintf(id, sizeof id, "chart-pct-%s", kSideNames[side]);
        std::snprintf(label, sizeof label, "%s side: interval against percentile",
                      kSideNames[side]);
        Chart(out, id, label);
        std::snprintf(id, sizeof id, "chart-hist-%s", kSideNames[side]);
        std::snprintf(label, sizeof label, "%s side: histogram of intervals", kSideNames[side]);
        Chart(out, id, label);
        std::fprintf(out, "</div>\n");
    }
    if (report.about.sideBySide) {
        std::fprintf(out,
                     "<h2>The redraws' intervals</h2>\n<p class=\"note\">Each run's redraws: the "
                     "interval at each percentile, and how many intervals of each "
                     "length.</p>\n<div class=\"pair\">\n");
        Chart(out, "chart-pct-redraw", "redraws: interval against percentile");
        Chart(out, "chart-hist-redraw", "redraws: histogram of intervals");
        std::fprintf(out, "</div>\n");
        bool shown = false;
        for (int i = 0; i < report.runs; ++i)
            shown = shown || report.run[i].shown != nullptr;
        if (shown) {
            std::fprintf(out,
                         "<h2>The display's intervals</h2>\n<p class=\"note\">Between the "
                         "frames each capture's display showed.</p>\n<div class=\"pair\">\n");
            Chart(out, "chart-pct-display", "display: interval against percentile");
            Chart(out, "chart-hist-display", "display: histogram of intervals");
            std::fprintf(out, "</div>\n");
        }
    }
}

}  // namespace

void WriteReportPage(std::FILE* out, const Report& report, const ReportLibrary& library) {
    std::fprintf(out,
                 "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                 "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                 "<title>Tempola run report</title>\n<style>\n%s\n%s\n</style>\n</head>\n"
                 "<body>\n<script>window.addEventListener('error', function (e) {"
                 " var b = document.body; b.setAttribute('data-script-errors',"
                 " String(Number(b.getAttribute('data-script-errors') || 0) + 1));"
                 " b.setAttribute('data-last-error', String(e.message)); });</script>\n",
                 library.style.c_str(), kReportStyle);
    std::fprintf(out, "<h1>Tempola run report%s</h1>\n<h2>The run</h2>\n<table class=\"about\">\n",
                 report.about.compare      ? ": every rule on the same redraws"
                 : report.about.sideBySide ? ": runs side by side"
                                           : "");
    Command(out, report.about);
    WhatRan(out, report);
    std::fprintf(out,
                 "</table>\n<h2>Figures</h2>\n<p class=\"note\">As <code>--stats</code> "
                 "gives them; &#9733; marks the best in each column (for a rate, the "
                 "nearest its target).</p>\n");
    WriteFigureTables(out, report);
    if (report.about.sideBySide)
        WriteDifferenceTable(out, report);
    Charts(out, report);
    std::fprintf(out, "<footer>Charts drawn by dygraphs, carried in this page.\n");
    WriteHtmlText(out, kDygraphsNotice);
    std::fprintf(out, "</footer>\n<script type=\"application/json\" id=\"report-data\">");
    WriteReportData(out, report);
    std::fprintf(out, "</script>\n<script>\n%s\n</script>\n<script>\n%s</script>\n</body></html>\n",
                 library.script.c_str(), kReportScript);
}
