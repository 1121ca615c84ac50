// The charting library a report page carries inline: Debian's dygraphs,
// read from where the package installs it when a report is written, so the
// page gets the system's copy (and its fixes) and the program needs the
// package only for reports. TEMPOLA_DYGRAPHS_DIR in the environment names
// another folder holding dygraph.min.js and dygraph.min.css.
#pragma once

#include <cstddef>
#include <string>

struct ReportLibrary {
    std::string script;
    std::string style;
};

// The library's own licence, which the page repeats.
extern const char kDygraphsNotice[];

// False with a message naming the package when the files are not there,
// or hold text that would end the page's script or style element.
bool ReadReportLibrary(ReportLibrary& library, char* error, size_t errorSize);
