// Time units a file does not state: the rate of a performance counter's
// ticks, fitted against the ms column of the same rows, and the unit of
// MangoHud's elapsed, which also tells a sampled log from a per-frame one.
#pragma once

#include <cstddef>

#include "lab/capture/format.h"

// Sets info's ticksHz and ticksFrom: givenHz where it is not 0, else the
// fit over the stream's rows. False, saying --qpc-hz is needed, where
// there is nothing to fit against.
bool TicksRate(const char* path, const CsvLayout& layout, const CaptureStream& stream,
               double givenHz, CaptureInfo* info, char* error, size_t errorSize);

// Seconds per unit of elapsed (ns or us) where its steps match the frame
// times; false, saying how to record a per-frame log, where they are far
// longer: a log of one sample per interval.
bool MangoHudUnit(const char* path, const CaptureStream& stream, double* secondsPerUnit,
                  char* error, size_t errorSize);
