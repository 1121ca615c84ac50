// A row's roles made into a redraw the same way for every format: its time
// in seconds (from seconds, ms, ticks or summed frame times), whether and
// when it was shown, and its latencies.
#pragma once

#include <cstdint>

#include "lab/capture/format.h"

// The latency roles, in CaptureLatency's order.
extern const CaptureRole kLatencyRoles[kCaptureLatencyCount];

struct RowState {
    bool started;
    double previousSeconds;
    double summed;       // frame times so far, without a time column
    double lastDisplay;  // summed display changes, without MsUntilDisplayed
    bool anyDisplay;
    double secondsPerUnit;  // of the time column
    SideCache sides;
};
void ResetRowState(RowState& state, double secondsPerUnit);

// A row's values by role, as the file gives them: NaN for an empty cell or
// a column that is not there.
struct RowValues {
    double time;
    int dropped;         // -1 not known
    bool shownForEmpty;  // DisplayedTime says it was never shown
    double until;
    double between;
    double frameTime;
    double latency[kCaptureLatencyCount];
};

// A CSV row's cells into values. False, naming the cell, for one that does
// not parse.
bool CellValues(const CsvLayout& layout, const RowError& e, const Cell* cells, RowValues* values);
// The values into the row: false for a time out of range or going back, or
// a negative or vast display time.
bool MakeRow(const CsvLayout& layout, RowState& state, const RowError& e, const RowValues& values,
             CaptureRow* row);
