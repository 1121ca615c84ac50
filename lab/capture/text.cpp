#include "lab/capture/text.h"

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <system_error>

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

Cell Trim(Cell cell) {
    while (cell.size > 0 && (*cell.text == ' ' || *cell.text == '\t')) {
        ++cell.text;
        --cell.size;
    }
    while (cell.size > 0 && (cell.text[cell.size - 1] == ' ' || cell.text[cell.size - 1] == '\t'))
        --cell.size;
    return cell;
}

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

int Split(const char* text, size_t size, Cell* cells, int most) {
    const char* p = text;
    const char* end = text + size;
    int count = 0;
    while (count < most) {
        if (p < end && *p == '"') {
            const char* close = p + 1;
            while (close < end && !(*close == '"' && (close + 1 == end || close[1] == ',')))
                ++close;
            cells[count++] = Cell{p + 1, static_cast<size_t>((close < end ? close : end) - p - 1)};
            p = close < end ? close + 1 : end;
        } else {
            // Cells are short: a plain loop beats a call to memchr per cell.
            const char* stop = p;
            while (stop < end && *stop != ',')
                ++stop;
            cells[count++] = Cell{p, static_cast<size_t>(stop - p)};
            p = stop;
        }
        if (p >= end)
            break;
        ++p;  // the comma
        if (p == end && count < most) {
            cells[count++] = Cell{p, 0};
            break;
        }
    }
    return count;
}

bool Empty(const Cell& cell) {
    const Cell t = Trim(cell);
    return t.size == 0 || (t.size == 2 && Lower(t.text[0]) == 'n' && Lower(t.text[1]) == 'a');
}

bool ParseDouble(const Cell& cell, double* value) {
    const Cell t = Trim(cell);
    double v = 0.0;
    const auto result = std::from_chars(t.text, t.text + t.size, v);
    if (t.size == 0 || result.ec != std::errc() || result.ptr != t.text + t.size ||
        !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

int ParseFlag(const Cell& cell) {
    const Cell t = Trim(cell);
    if (t.size == 1 && (*t.text == '0' || *t.text == '1'))
        return *t.text - '0';
    if (SameWord(t, "true"))
        return 1;
    if (SameWord(t, "false"))
        return 0;
    return -1;
}
