// A capture in CSV, read through the line reader: the header found under
// any preamble and told by the formats' table, the streams counted (and
// timed where the time unit must be found), then the chosen stream's rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "lab/capture/describe.h"
#include "lab/capture/format.h"
#include "lab/capture/lines.h"
#include "lab/capture/rows.h"

struct CsvSource {
    LineReader lines;
    CsvLayout layout;
    const CsvFormat* format;
    RowState state;
    bool chooses;     // rows are kept only for the chosen stream
    int neededCells;  // a row short of these is refused; past them, latencies may be missing
    uint64_t dataOffset;
    int machineColumn[2];  // the cpu's and gpu's, where rows name them (FrameView, OCAT); else -1
    KeptLine kept[kKeptLines];
    int keptCount;
};

// file is open at its start and stays the caller's. False with a message.
bool OpenCsvCapture(CsvSource& source, std::FILE* file, const char* path, uint64_t fileSize,
                    const CaptureOptions& options, CaptureInfo& info, char* error,
                    size_t errorSize);
CaptureStep NextCsvRow(CsvSource& source, const CaptureInfo& info, CaptureRow* row, char* error,
                       size_t errorSize);
