// tempola-sim's command line.
#pragma once

#include <cstddef>
#include <cstdio>

#include "lab/sim/sweep.h"

constexpr int kMostSweepRates = 16;
constexpr int kMostSweepTargets = 4000;
constexpr int kMostThreads = 256;
// A run may not pass 10^12 redraws or refreshes (about 14 hours of work at
// 20 million a second). Below that, redraw and refresh numbers are exact
// doubles, and every clock reading fits 64 bits.
constexpr double kMostFrames = 1e12;
constexpr double kLongestSeconds = 1e9;
constexpr double kHighestHz = 1e9;
constexpr double kLongestJitterMs = 1e6;
constexpr double kLongestLatchMs = 1e3;
constexpr double kLongestRenderMs = 1e3;
constexpr double kLongestWakeLateUs = 1e6;
constexpr double kRunSecondsDefault = 60.0;
constexpr double kSweepSecondsDefault = 10.0;
constexpr int kMostRuns = 1000000;
// Runs side by side: each its own --replay, in order.
constexpr int kMostReplays = 64;
constexpr double kFrameGenMsDefault = 1.0;  // --frame-gen-ms

struct SimOptions {
    SimSetup setup;  // setup.redraw.seconds already holds the mode's default
    bool help;
    bool version;
    bool stats;
    bool sweep;
    const char* logPath;        // null: no log
    const char* sideLogPrefix;  // null: no side captures
    double targetFrom;
    double targetTo;
    double targetStep;
    int targetCount;
    double redrawList[kMostSweepRates];
    int redrawCount;
    int threads;  // 0: one per core
    // --replay: redraw times from a capture instead of the model.
    const char* replayPath;  // null: a modelled run
    const char* process;     // the capture's process to replay; null: the busiest
    bool list;               // --list: say what the capture holds, replay nothing
    int run;                 // --run: a JSON capture's run, from 1; 0 the first
    double ticksHz;          // --qpc-hz: the rate of a capture's counter ticks; 0 fitted
    bool ruleGiven[2];       // left, right: given on the command line
    bool targetGiven[2];
    const char* reportPath;  // --report: a page about the run; null: none
    bool compareRules;       // every rule over the same redraws
    // Runs side by side (--replay more than once, --name), and --summary:
    // one row of figures per capture of its files and folders.
    const char* replayPaths[kMostReplays];  // replayPath is the first
    int replayCount;
    const char* runNames[kMostReplays];  // --name, in the runs' order
    int nameCount;
    bool summary;
    const char* const* summaryPaths;  // into argv
    int summaryCount;
    // --recompute-animation: a capture's animation error computed from its
    // times even where it has a column of its own.
    bool recomputeAnimation;
};

// Reads argv[1..argc-1]. False, with a one-line message in error, for
// anything it does not take; the caller exits 2. --help stops the reading
// and sets help.
bool ParseSimOptions(int argc, const char* const* argv, SimOptions* options, char* error,
                     size_t errorSize);

void PrintSimHelp(std::FILE* out, const char* program);

// The sweep the options ask for; it points into options.
SweepSetup SweepSetupOf(const SimOptions& options);
