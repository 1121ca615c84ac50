// The cells of a CSV line, and the names and numbers in them, read in place:
// a cell is a view into the line, nothing is copied or allocated.
#pragma once

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <system_error>

struct Cell {
    const char* text;
    size_t size;
};

// printf into error and false, for one-line returns.
bool Fail(char* error, size_t errorSize, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// A column name as written, against one this reader knows: without regard
// to case or underscores, so TimeInSeconds, timeInSeconds and
// time_in_seconds are one name.
bool SameColumn(const Cell& cell, const char* name);
bool SameWord(const Cell& cell, const char* word);  // without regard to case

// What follows runs for every cell of every row: defined here, where the
// readers can inline it.

inline Cell Trim(Cell cell) {
    while (cell.size > 0 && (*cell.text == ' ' || *cell.text == '\t')) {
        ++cell.text;
        --cell.size;
    }
    while (cell.size > 0 && (cell.text[cell.size - 1] == ' ' || cell.text[cell.size - 1] == '\t'))
        --cell.size;
    return cell;
}

// Splits a line into at most `most` cells; returns how many it found. A
// quoted cell loses its quotes (a doubled quote inside stays doubled, which
// no number or name read here holds).
inline int Split(const char* text, size_t size, Cell* cells, int most) {
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

// Empty, blank or NA: the cell of a value not known.
inline bool Empty(const Cell& cell) {
    const Cell t = Trim(cell);
    return t.size == 0 || (t.size == 2 && (t.text[0] | 0x20) == 'n' && (t.text[1] | 0x20) == 'a');
}

// A finite number, with blanks around it and up to any number of decimals.
inline bool ParseDouble(const Cell& cell, double* value) {
    const Cell t = Trim(cell);
    double v = 0.0;
    const auto result = std::from_chars(t.text, t.text + t.size, v);
    if (t.size == 0 || result.ec != std::errc() || result.ptr != t.text + t.size ||
        !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

// 0/1 or false/true; -1 when it is neither.
int ParseWordFlag(const Cell& trimmed);
inline int ParseFlag(const Cell& cell) {
    const Cell t = Trim(cell);
    if (t.size == 1 && (*t.text == '0' || *t.text == '1'))
        return *t.text - '0';
    return ParseWordFlag(t);
}
