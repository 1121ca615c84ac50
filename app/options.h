// The program's command line, the same on every platform: our own options
// are taken out, and the fullscreen switches go on to the host, which looks
// for them itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "pacing/limit_setting.h"
#include "pacing/motion_option.h"
#include "pacing/rules.h"

struct RunOptions {
    bool help = false;
    bool version = false;
    bool stats = false;
    bool vsync = false;
    double seconds = 0.0;       // 0: run until closed
    std::string logPath;        // empty: no frame log
    std::string sideLogPrefix;  // empty: no side captures
    PaceRule leftRule = kLeftStartRule;
    PaceRule rightRule = kRightStartRule;
    double leftTarget = kLeftStartTarget;
    double rightTarget = kRightStartTarget;
    LimitSetting limit = kNoLimit;  // --limit, --limiter, --limit-at
    // --left-motion, --right-motion
    MotionKind motions[2] = {MotionKind::kCpu, MotionKind::kCpu};
    std::string hostCommandLine;
};

// False with a one-line reason in error for anything it does not take.
bool ParseOptions(int argc, const char* const* argv, RunOptions* options, char* error,
                  size_t errorSize);

// The --help text, made once from the engine's rule names and bounds.
const char* UsageText();

// "tempola 0.2": the --version line, without its newline.
const char* VersionText();

// The N of "--seconds N": a positive number of seconds that the 32-bit
// millisecond frame clock can reach. False for anything else.
bool ParseRunSeconds(const char* text, double* seconds);

// The frame time (timeMs) from which a run of that many seconds is over.
uint32_t RunEndMs(double seconds);
