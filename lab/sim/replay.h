// A recorded run replayed through the pacing rules: the redraw times come
// from a capture instead of the clock model, and two pacers step through
// them exactly as in a modelled run, with the same figures and the same log.
//
// The pacers' time: a Tempola log's PacerClockMs (what the live pacers read;
// in the older log without it, floor(TimeInSeconds * 1000)), else --clock
// over the rows' times measured from the first row. A Tempola log's rules
// and targets are followed row by row, as the keys changed them, except on
// a side whose rule or target the command line gives. Seen figures come
// from the capture's display times where it has any, else from the modelled
// display when a rate is given.
#pragma once

#include <cstddef>
#include <cstdio>

#include "lab/capture/capture_reader.h"
#include "lab/capture/capture_stats.h"
#include "lab/sim/sim_run.h"

struct ReplaySetup {
    const char* path;
    const char* process;  // null: the stream with the most rows
    int run;              // a JSON capture's run, from 1; 0 the first
    double ticksHz;       // times in counter ticks: their rate; 0 fitted from the file
    PacerClock clock;
    double displayHz;  // the modelled display, for captures with no display times
    double latchMs;
    SideSetup side[2];
    bool ruleGiven[2];  // the command line's rule wins over the log's
    bool targetGiven[2];
    bool recomputeAnimation;  // the capture's animation error computed, not read
};

struct ReplayResult {
    SimResult sim;
    CaptureInfo info;  // the format, the stream replayed, the time unit found
    CaptureFacts facts;
    double seconds;                  // from the first row to the last
    bool recordedDisplay;            // the seen figures come from the capture
    IntervalFigures shownIntervals;  // with recorded display times: between shown frames
    SideSetup last[2];               // the rules and targets in effect at the last row
};

// Replays setup.path into result, each settled redraw into sink; reader is
// the scratch space for the file. False with a message in error for a
// capture that cannot be read or replayed (exit 2); the sink then has had
// what came before the bad line. progress gets progress lines for large
// files.
bool RunReplay(const ReplaySetup& setup, CaptureReader& reader, ReplayResult& result,
               FrameSink sink, char* error, size_t errorSize, std::FILE* progress);

// A modelled run's setup that reports the replay: its span, mean rate,
// rules and display, for PrintSimTable and PrintSimStats.
SimSetup ReportSetup(const ReplaySetup& setup, const ReplayResult& result);
