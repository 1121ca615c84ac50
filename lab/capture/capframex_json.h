// CapFrameX's own capture, a JSON document: Info (the game and the
// machine) and Runs[i].CaptureData, parallel arrays named as a present
// monitor's columns. The document is read whole when opened and the chosen
// run's arrays kept; its rows are then read by role like a CSV file's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lab/capture/format.h"
#include "lab/capture/rows.h"

// Larger JSON captures are refused rather than read whole.
constexpr uint64_t kLargestJsonCapture = 1ull << 30;

struct JsonSource {
    const char* path;
    CsvLayout layout;
    RowState state;
    std::vector<double> role[kCaptureRoleCount];  // empty where the run has no such array
    size_t frames;
    size_t next;
};

// Whether a file's first bytes open a JSON object.
bool LooksLikeJson(const char* head, size_t size);

bool OpenJsonCapture(JsonSource& source, const char* path, const CaptureOptions& options,
                     CaptureInfo& info, char* error, size_t errorSize);
CaptureStep NextJsonRow(JsonSource& source, CaptureRow* row, char* error, size_t errorSize);
