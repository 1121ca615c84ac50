// How far a side's pose moves when the rules say it moves, and the one
// reader of the words that choose it: --left-motion and --right-motion mean
// the same, and are refused in the same words, in the live program and the
// simulator.
#pragma once

#include <cstddef>
#include <cstdint>

enum class MotionKind : uint8_t {
    kCpu,      // by the time the pacer saw pass: the program as it always was
    kRefresh,  // by that time in whole refreshes, the rest carried on
    kDisplay,  // by the display time this redraw is expected at
};
constexpr int kMotionKindCount = 3;

// The name as the command line and the logs spell it: "cpu", "refresh",
// "display".
const char* MotionName(MotionKind kind);
// False (and *kind unchanged) for any other word.
bool MotionFromName(const char* name, MotionKind* kind);
// The order the keys cycle through: cpu, refresh, display, cpu again.
MotionKind NextMotion(MotionKind kind);

// True for "--left-motion" and "--right-motion"; *side is 0 or 1.
bool IsMotionOption(const char* option, int* side);
// Reads one of those options' value (null: it was missing). False, with
// *kind unchanged and a one-line message in error such as
// "--left-motion: not cpu, refresh or display: 'gpu'"; the caller adds its
// own hint and exits 2.
bool ParseMotionOption(const char* option, const char* value, MotionKind* kind, char* error,
                       size_t errorSize);
