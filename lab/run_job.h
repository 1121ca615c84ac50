// One run as the command line asks for it, whichever output takes its
// redraws: a replay of --replay, else the modelled run. tempola-sim's plain
// run and its report both drive their runs through here.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

#include "lab/sim/replay.h"
#include "lab/sim_options.h"

// Scratch space for runs, reused run after run. Large: allocate it.
struct RunWork {
    CaptureReaderPtr reader;  // null unless the options ask for a replay
    ReplaySetup replaySetup;
    ReplayResult replay;
};

// Null when out of memory.
std::unique_ptr<RunWork> NewRunWork(const SimOptions& options);

// What a finished run reports beside its result.
struct RunDone {
    SimSetup setup;             // as the figures report it (a replay's span, rules and display)
    const char* displaySource;  // "model" or "capture"
    const CaptureFacts* facts;  // a replay's, in work; null for a modelled run
};

constexpr int kRulesAsGiven = -1;

// Runs into result, each settled redraw into sink; rule, unless
// kRulesAsGiven, is both sides' rule. False with a message in error (exit 2)
// for a capture that cannot be replayed; progress gets a replay's progress
// lines.
bool RunJob(const SimOptions& options, int rule, FrameSink sink, RunWork& work, SimResult& result,
            RunDone& done, char* error, size_t errorSize, std::FILE* progress);

// What a replay adds on standard error once it has run: that the capture's
// display times stand in for --display-hz, and the capture's own notes.
void NoteReplay(std::FILE* out, const char* program, const SimOptions& options,
                const RunWork& work);
