// How a program limits its redraws, and the one reader of the words that set
// it: --limit, --limiter and --limit-at mean the same, and are refused in
// the same words, in the live program and the simulator.
#pragma once

#include <cstddef>
#include <cstdint>

enum class LimitKind : uint8_t {
    kOff,      // no wait at all: the loop as it always was
    kRate,     // at most hz redraws a second, on an absolute schedule
    kDisplay,  // just in time for the display, from its presentation times
};

enum class WaitMethod : uint8_t {
    kSleep,   // the platform's sleep to an absolute time
    kSpin,    // read the clock until the deadline
    kHybrid,  // sleep until a learned margin before the deadline, then spin
};

enum class WaitPlacement : uint8_t {
    kSwap,   // after drawing, before the swap: the steadiest swaps
    kFrame,  // before the frame starts: the freshest poses and keys
};

struct LimitSetting {
    LimitKind kind;
    double hz;  // kRate only
    WaitMethod method;
    WaitPlacement placement;
};

constexpr double kLowestLimitHz = 1.0;
constexpr double kHighestLimitHz = 1000.0;
constexpr LimitSetting kNoLimit = {LimitKind::kOff, 0.0, WaitMethod::kHybrid, WaitPlacement::kSwap};

// True for "--limit", "--limiter" and "--limit-at": the options
// ParseLimitOption reads.
bool IsLimitOption(const char* option);

// Reads one of those options' value into *setting (null value: it was
// missing). False, with *setting unchanged and a one-line message in error
// such as "--limit: not off, display or a rate in Hz from 1 to 1000: '0'",
// for anything else; the caller adds its own hint and exits 2.
bool ParseLimitOption(const char* option, const char* value, LimitSetting* setting, char* error,
                      size_t errorSize);

// "off", "display" or the rate as given ("60", "59.94"), into text.
void LimitText(const LimitSetting& setting, char* text, size_t size);
// The limit in words, the one describer both programs use: "off", or the
// limit, its method and its placement, "60 Hz, hybrid at swap", "display,
// sleep at frame", then the note when there is one (the display-timed
// limiter's fallback: LimitNote in limiter.h), "display, sleep at swap (no
// display times: refresh rate)".
void DescribeLimit(const LimitSetting& setting, const char* note, char* text, size_t size);
const char* WaitMethodName(WaitMethod method);       // "sleep", "spin", "hybrid"
const char* WaitPlacementName(WaitPlacement place);  // "swap", "frame"

// The next step of the key that cycles the limit: off, 30, 60, 120,
// display, off again. A rate elsewhere goes to the next step above it.
// The method and placement stay.
LimitSetting NextLimitStep(const LimitSetting& setting);
