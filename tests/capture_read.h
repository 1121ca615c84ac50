// Reads a capture through as replay does, keeping what the tests look at:
// its rows, what they showed and carried, and what the reader found.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "lab/capture/capture_reader.h"
#include "temp_file.h"

inline std::string CaptureFile(const char* name) {
    return std::string(TEMPOLA_SOURCE_DIR) + "/tests/data/capture/" + name;
}

struct Read {
    bool opened;
    CaptureStep end;
    int rows;
    int shown;
    int dropped;
    double first;
    double last;
    double latencySum[kCaptureLatencyCount];
    int latencies[kCaptureLatencyCount];
    std::string error;
    std::string format;
    std::string application;
    CaptureInfo info;
    std::vector<CaptureRow> kept;  // every row read
};

inline Read ReadAll(const std::string& path, CaptureOptions options = {}) {
    CaptureReaderPtr reader = NewCaptureReader();
    Read r{};
    char error[600] = "";
    r.opened = OpenCapture(*reader, path.c_str(), options, error, sizeof error);
    CaptureRow row{};
    if (r.opened) {
        r.info = CaptureInfoOf(*reader);
        r.format = r.info.format;
        r.application = r.info.chosen.application;
        while ((r.end = NextCaptureRow(*reader, &row, error, sizeof error)) == CaptureStep::kRow) {
            r.first = r.rows == 0 ? row.seconds : r.first;
            r.last = row.seconds;
            r.shown += row.hasDisplay;
            r.dropped += row.fate == FrameFate::kDropped;
            for (int i = 0; i < kCaptureLatencyCount; ++i) {
                if (row.latencyMs[i] >= 0.0) {
                    r.latencySum[i] += row.latencyMs[i];
                    ++r.latencies[i];
                }
            }
            ++r.rows;
            r.kept.push_back(row);
        }
    }
    r.error = error;
    return r;
}

inline Read ReadText(const std::string& text, CaptureOptions options = {}) {
    TempFile file("capture");
    std::ofstream(file.path, std::ios::binary) << text;
    return ReadAll(file.path, options);
}
