#include "lab/capture/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

bool Fail(char* error, size_t errorSize, const char* format, ...) {
    va_list args;
    va_start(args, format);
    if (error != nullptr && errorSize > 0)
        std::vsnprintf(error, errorSize, format, args);
    va_end(args);
    return false;
}

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool SameWord(const Cell& cell, const char* word) {
    const size_t n = std::strlen(word);
    if (cell.size != n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        if (Lower(cell.text[i]) != Lower(word[i]))
            return false;
    }
    return true;
}

bool SameColumn(const Cell& cell, const char* name) {
    const Cell t = Trim(cell);
    size_t i = 0;
    const char* n = name;
    for (;;) {
        while (i < t.size && t.text[i] == '_')
            ++i;
        while (*n == '_')
            ++n;
        if (i == t.size || *n == '\0')
            return i == t.size && *n == '\0';
        if (Lower(t.text[i]) != Lower(*n))
            return false;
        ++i;
        ++n;
    }
}

int ParseWordFlag(const Cell& t) {
    if (SameWord(t, "true"))
        return 1;
    if (SameWord(t, "false"))
        return 0;
    return -1;
}
