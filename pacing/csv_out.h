// A CSV file written through a fixed buffer: whole rows only, out at least
// once a second of the rows' own time, and one message when a write fails,
// after which nothing more is written. The frame log and the side captures
// are both made of it.
#pragma once

#include <cstddef>
#include <cstdio>

constexpr size_t kCsvBuffer = 64 * 1024;

struct CsvOut {
    std::FILE* file;
    const char* what;  // "frame log", for messages
    bool failed;
    bool timed;  // lastFlush holds a row time
    double lastFlush;
    size_t used;
    size_t rowStart;
    bool rowWhole;
    char buffer[kCsvBuffer];
};

// Opens (truncates) path and writes header and a newline at once. False with
// a message in error (errorSize bytes) when the file cannot be opened.
bool OpenCsv(CsvOut& out, const char* path, const char* what, const char* header, char* error,
             size_t errorSize);

// A row is begun, appended to piece by piece, and ended; a row that did not
// fit whole is dropped whole. seconds is the row's time, for the flushes.
void BeginCsvRow(CsvOut& out);
void AppendCsv(CsvOut& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
// An empty cell for a negative value, else the value with 4 decimals.
void AppendCsvMs(CsvOut& out, double ms);
void EndCsvRow(CsvOut& out, double seconds);

// Writes out what is buffered. False once any write has failed.
bool FlushCsv(CsvOut& out);
// Flushes and closes; false when any write failed. Safe to call twice.
bool CloseCsv(CsvOut& out);
inline bool CsvOpen(const CsvOut& out) {
    return out.file != nullptr;
}
