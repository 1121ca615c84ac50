// Arbitrary bytes as a capture's text on its way into a report page, and as
// numbers the page writes. The text must come out as UTF-8 with no
// character that could end its element or quote; a number as printf writes
// it.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lab/report/fixed_text.h"
#include "lab/report/html_text.h"

namespace {

// Writes through a memory file and hands back what was written.
template <typename Write>
size_t Capture(char* buffer, size_t size, Write write) {
    std::FILE* f = fmemopen(buffer, size, "w");
    if (f == nullptr)
        std::abort();
    write(f);
    const long n = std::ftell(f);
    std::fclose(f);
    return n < 0 ? 0 : static_cast<size_t>(n);
}

// UTF-8 throughout, and none of the forbidden characters; in a quoted
// string, a backslash takes the next character with it and the only bare
// quotes are the outer two.
void CheckText(const char* out, size_t n, const char* forbidden, bool quoted) {
    const auto* p = reinterpret_cast<const unsigned char*>(out);
    if (quoted && (n < 2 || out[0] != '"' || out[n - 1] != '"'))
        std::abort();
    const size_t end = quoted ? n - 1 : n;
    for (size_t i = quoted ? 1 : 0; i < end;) {
        const size_t k = Utf8CharLength(p + i, end - i);
        if (k == 0)
            std::abort();
        if (k == 1 && std::strchr(forbidden, out[i]) != nullptr)
            std::abort();
        if (quoted && out[i] == '\\') {
            if (i + 1 >= end || std::strchr("\"\\/bfnrtu", out[i + 1]) == nullptr)
                std::abort();
            i += 2;
            continue;
        }
        i += k;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const char* text = reinterpret_cast<const char*>(data + 1);
    const size_t n = size - 1;
    if (data[0] % 3 == 2) {
        double v = 0.0;
        if (n < sizeof v)
            return 0;
        std::memcpy(&v, text, sizeof v);
        if (!std::isfinite(v))
            return 0;
        const int places = data[0] / 3 % 10;
        char want[400];
        char got[kFixedTextSize];
        std::snprintf(want, sizeof want, "%.*f", places, v);
        FixedText(got, v, places);
        if (std::strcmp(got, want) != 0)
            std::abort();
        return 0;
    }
    // The longest escape is eight bytes for one.
    static char out[8 * 4096 + 16];
    if (n > 4096)
        return 0;
    if (data[0] % 3 == 0) {
        const size_t m = Capture(out, sizeof out, [&](std::FILE* f) { WriteHtmlText(f, text, n); });
        CheckText(out, m, "<>\"'", false);
        // Every & begins an entity this writer makes.
        for (const char* a = static_cast<const char*>(std::memchr(out, '&', m)); a != nullptr;
             a = static_cast<const char*>(std::memchr(a + 1, '&', m - (a + 1 - out))))
            if (std::strncmp(a, "&amp;", 5) && std::strncmp(a, "&lt;", 4) &&
                std::strncmp(a, "&gt;", 4) && std::strncmp(a, "&quot;", 6) &&
                std::strncmp(a, "&#39;", 5) && std::strncmp(a, "&#xFFFD;", 8))
                std::abort();
    } else {
        const size_t m =
            Capture(out, sizeof out, [&](std::FILE* f) { WriteJsonString(f, text, n); });
        CheckText(out, m, "<>&'\"\n\r", true);
    }
    return 0;
}
