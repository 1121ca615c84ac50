// One run of the program with the options of the command line: the rules,
// vsync, the frame log, the time limit and the closing figures. Both entry
// points end here.
#pragma once

#include "app/options.h"
#include "host/app.h"

struct RunEnvironment {
    // Seconds on one clock that processStart and mainEntered share.
    double (*now)();
    double processStart;  // negative when the platform cannot tell
    double mainEntered;
    // Where the --stats line and run messages go (standard error, and on
    // Windows the debugger channel too). The line has no newline.
    void (*report)(const char* line);
    long processId;  // for the logs' ProcessID column
    // The process's CPU time in seconds, user and system; null where it
    // cannot be read. A system call: read once a second at most.
    double (*cpuSeconds)() = nullptr;
};

// Returns the process exit code: the host's, or 2 when the frame log cannot
// be opened (no window is made), or 3 when it failed part way.
// app is the application to run, the demonstration's DemoCallbacks() but for
// tests.
int RunProgram(const RunOptions& options, const RunEnvironment& environment,
               const AppCallbacks& app);
