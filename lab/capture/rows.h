// A row's roles made into a redraw the same way for every format: its time
// in seconds (from seconds, ms, ticks or summed frame times), whether and
// when it was shown, who made it, its latencies and its animation columns.
// A number out of its column's range costs its cell, not the row: it is
// read as not known and counted.
#pragma once

#include <cstdint>
#include <cstdio>

#include "lab/capture/format.h"
#include "lab/capture/frame_type.h"

// The latency roles, in CaptureLatency's order.
extern const CaptureRole kLatencyRoles[kCaptureLatencyCount];

struct RowState {
    bool started;
    double previousSeconds;
    double summed;       // frame times so far, without a time column
    double lastDisplay;  // summed display changes, without MsUntilDisplayed
    bool anyDisplay;
    double secondsPerUnit;       // of the time column
    double otherSecondsPerUnit;  // of the second time column; 0 where not known
    uint32_t countedRoles;       // bit per role: the first of the ms roles to read its cell
    SideCache sides;
    FrameTypeNotes told;
    std::FILE* notes;  // may be null
    const char* path;
};
void ResetRowState(RowState& state, const CsvLayout& layout, const CaptureInfo& info,
                   std::FILE* notes, const char* path);

// A row's values by role, as the file gives them: NaN for an empty cell or
// a column that is not there.
struct RowValues {
    double time;
    FrameFate fate;      // the Dropped cell's word; kUnknown where there is none
    bool shownForEmpty;  // DisplayedTime says it was never shown
    bool generated;      // FrameType: not the application's
    double until;
    double between;
    double frameTime;
    double latency[kCaptureLatencyCount];
    double animationError;
    double animationTime;
    double otherTime;
    double untilDisplayed;
    double inPresentApi;
};

// A CSV row's cells into values. False, naming the cell, for one that does
// not parse.
bool CellValues(const CsvLayout& layout, RowState& state, const RowError& e, const Cell* cells,
                RowValues* values);
// The values into the row: false for a time out of range or going back.
bool MakeRow(const CsvLayout& layout, RowState& state, const RowError& e, const RowValues& values,
             CaptureRow* row);
