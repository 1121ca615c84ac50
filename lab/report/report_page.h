// The report page: one HTML file that holds everything it shows (its data,
// script, style and charting library), opens offline in any current
// browser, and shows its figures as text as well as charts.
#pragma once

#include <cstddef>
#include <cstdio>

#include "lab/report/report_library.h"
#include "lab/report/report_run.h"

void WriteReportPage(std::FILE* out, const Report& report, const ReportLibrary& library);

// The figures of every run as tables, from the records its --stats line
// is written from, so that the page says what the line says; the best in
// each column marked.
void WriteFigureTables(std::FILE* out, const Report& report);
// Runs side by side: a row per run, each figure with its difference from
// the first run's in %.
void WriteDifferenceTable(std::FILE* out, const Report& report);
// The data the charts draw, as JSON text safe inside a script element.
void WriteReportData(std::FILE* out, const Report& report);
