// PresentMon 2.1+'s FrameType: Application for the application's own
// frame; Repeated, or the name of the frame generator that made it (Intel
// XeSS-FG, AMD AFMF, and names still to come), for one it did not make.
#pragma once

#include <cstddef>
#include <cstdio>

#include "lab/capture/text.h"

// The values not known that a file has been said to hold, so each is named
// once.
struct FrameTypeNotes {
    static constexpr int kMost = 8;
    static constexpr size_t kLongest = 32;
    char named[kMost][kLongest];
    int count;
};

// Whether the frame is one the application did not make. An empty cell is
// the application's; a value not known counts as generated, and is named
// once on notes (when not null).
bool GeneratedFrame(const Cell& cell, FrameTypeNotes& told, std::FILE* notes, const char* path);
