// The cells of a CSV line, and the names and numbers in them, read in place:
// a cell is a view into the line, nothing is copied or allocated.
#pragma once

#include <cstddef>
#include <cstdint>

struct Cell {
    const char* text;
    size_t size;
};

// printf into error and false, for one-line returns.
bool Fail(char* error, size_t errorSize, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

Cell Trim(Cell cell);
// A column name as written, against one this reader knows: without regard
// to case or underscores, so TimeInSeconds, timeInSeconds and
// time_in_seconds are one name.
bool SameColumn(const Cell& cell, const char* name);
bool SameWord(const Cell& cell, const char* word);  // without regard to case

// Splits a line into at most `most` cells; returns how many it found. A
// quoted cell loses its quotes (a doubled quote inside stays doubled, which
// no number or name read here holds).
int Split(const char* text, size_t size, Cell* cells, int most);

// Empty, blank or NA: the cell of a value not known.
bool Empty(const Cell& cell);
// A finite number, with blanks around it and up to any number of decimals.
bool ParseDouble(const Cell& cell, double* value);
// 0/1 or false/true; -1 when it is neither.
int ParseFlag(const Cell& cell);
