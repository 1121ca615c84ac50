// Time units a file does not state, fitted against the ms column of the
// same rows: the rate of a performance counter's ticks, whether
// CPUStartTime is in ms or seconds, the unit of a second time column, and
// the unit of MangoHud's elapsed, which also tells a sampled log from a
// per-frame one.
#pragma once

#include <cstddef>

#include "lab/capture/format.h"

// A frame time, a wait or a latency longer than this, or negative, is a
// counter that wrapped or a cell written wrong: not a number of ms.
constexpr double kLongestCellMs = 3.6e6;

// A counted row into its stream's fit (the first timed row of the stream, or
// one after it), before its time is the stream's last: the time, and the fit
// column's ms (NaN where the cell was not a number).
void AddFitRow(CaptureStream& stream, bool first, bool toNext, double time, double ms);

// Finds the layout's time unit from the chosen stream where the file does
// not state it, and sets info's secondsPerUnit (0 for frame times summed),
// otherSecondsPerUnit, and ticksHz and ticksFrom for a counter: givenHz
// where it is not 0, else the fit. False with a message where a counter's
// rate cannot be found (saying --qpc-hz is needed) or a MangoHud log is
// sampled rather than per frame.
bool FindTimeUnit(const char* path, CsvLayout& layout, double givenHz, CaptureInfo& info,
                  char* error, size_t errorSize);

// Whether FindTimeUnit needs the streams timed as they are counted.
bool UnitNeedsTiming(const CsvLayout& layout);
