// The host's frame clock, which the pacing code declares. The simulator
// never reads or writes it (each run keeps its own time), but the pacing
// code's own frame step refers to it, so a binary without the host needs it.
#include <cstdint>

uint32_t timeMs;
