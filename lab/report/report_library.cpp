#include "lab/report/report_library.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef TEMPOLA_DYGRAPHS_DIR
#define TEMPOLA_DYGRAPHS_DIR "/usr/share/javascript/dygraphs"
#endif

const char kDygraphsNotice[] =
    "dygraphs is MIT-licenced: Copyright (c) 2006, 2009, 2011, 2012, 2013, 2017 Dan Vanderkam; "
    "Copyright (c) 2011 Paul Felix; Copyright (c) 2011, 2013 Robert Konigsberg; Copyright (c) "
    "2013 David Eberlein; Copyright (c) 2013 Google, Inc.; Copyright (c) 2014, 2022, 2023 "
    "mirabilos; Copyright (c) 2015 Petr Shevtsov; and numerous contributors.\n"
    "Permission is hereby granted, free of charge, to any person obtaining a copy of this "
    "software and associated documentation files (the \"Software\"), to deal in the Software "
    "without restriction, including without limitation the rights to use, copy, modify, merge, "
    "publish, distribute, sublicense, and/or sell copies of the Software, and to permit persons "
    "to whom the Software is furnished to do so, subject to the following conditions:\n"
    "The above copyright notice and this permission notice shall be included in all copies or "
    "substantial portions of the Software.\n"
    "THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR IMPLIED, "
    "INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS FOR A PARTICULAR "
    "PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE AUTHORS OR COPYRIGHT HOLDERS BE LIABLE "
    "FOR ANY CLAIM, DAMAGES OR OTHER LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR "
    "OTHERWISE, ARISING FROM, OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER "
    "DEALINGS IN THE SOFTWARE.";

namespace {

constexpr size_t kLargestFile = 16 * 1024 * 1024;

bool ReadWhole(const std::string& path, std::string& text, char* error, size_t errorSize) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) {
        std::snprintf(error, errorSize,
                      "the report's charting library '%s' cannot be read (%s): install the "
                      "package libjs-dygraphs",
                      path.c_str(), std::strerror(errno));
        return false;
    }
    text.clear();
    char chunk[65536];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0 && text.size() <= kLargestFile)
        text.append(chunk, n);
    const bool ok = !std::ferror(in) && text.size() <= kLargestFile;
    std::fclose(in);
    if (!ok)
        std::snprintf(error, errorSize, "reading '%s' failed", path.c_str());
    return ok;
}

// The source map comment names a file the page does not carry.
void DropSourceMap(std::string& text) {
    const size_t at = text.rfind("sourceMappingURL=");
    if (at == std::string::npos || at < 4)
        return;
    const std::string opening = text.substr(at - 4, 4);
    if (opening == "//# ") {
        const size_t end = text.find('\n', at);
        text.erase(at - 4, end == std::string::npos ? std::string::npos : end - (at - 4));
    } else if (opening == "/*# ") {
        const size_t end = text.find("*/", at);
        if (end != std::string::npos)
            text.erase(at - 4, end + 2 - (at - 4));
    }
}

bool Closes(const std::string& text, const char* tag) {
    const size_t n = std::strlen(tag);
    // From one '<' to the next: memchr passes the library's 100 kB in a
    // fraction of the steps a loop over each byte takes, on every page.
    const char* end = text.data() + text.size();
    for (const char* p = text.data(); end - p >= static_cast<ptrdiff_t>(n); ++p) {
        p = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p)));
        if (p == nullptr || end - p < static_cast<ptrdiff_t>(n))
            return false;
        if (strncasecmp(p, tag, n) == 0)
            return true;
    }
    return false;
}

}  // namespace

bool ReadReportLibrary(ReportLibrary& library, char* error, size_t errorSize) {
    const char* env = std::getenv("TEMPOLA_DYGRAPHS_DIR");
    const std::string dir = env != nullptr && env[0] != '\0' ? env : TEMPOLA_DYGRAPHS_DIR;
    if (!ReadWhole(dir + "/dygraph.min.js", library.script, error, errorSize) ||
        !ReadWhole(dir + "/dygraph.min.css", library.style, error, errorSize))
        return false;
    DropSourceMap(library.script);
    DropSourceMap(library.style);
    if (Closes(library.script, "</script") || Closes(library.style, "</style")) {
        std::snprintf(error, errorSize, "'%s' holds a closing tag: not put into a page",
                      dir.c_str());
        return false;
    }
    return true;
}
