// What the program's entry points (one per platform) share of their options.
#pragma once

#include <cstdint>

// The N of "--seconds N": a positive number of seconds that the 32-bit
// millisecond frame clock can reach. False for anything else.
bool ParseRunSeconds(const char* text, double* seconds);

// The frame time (timeMs) from which a run of that many seconds is over.
uint32_t RunEndMs(double seconds);
