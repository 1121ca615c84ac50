// What a file in none of the capture formats looks like instead, said in
// one line: a hardware-monitor log, a per-run summary, polled metrics, an
// excerpt without its header, frame times with no time column.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kKeptLines = 16;
constexpr size_t kKeptLineSize = 1024;

// The first lines of a file, as far as the header was looked for (each cut
// to kKeptLineSize).
struct KeptLine {
    char text[kKeptLineSize];
    size_t size;
    uint64_t line;
};

// rowsAfter: the non-empty lines after the kept ones (up to some bound).
void DescribeNonCapture(const char* path, const KeptLine* lines, int count, uint64_t rowsAfter,
                        char* error, size_t errorSize);
