#include "host/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {
// The millisecond frame clock is 32 bits wide: a longer run could never end.
constexpr double kLongestRunSeconds = 4294967.0;
}  // namespace

bool ParseRunSeconds(const char* text, double* seconds) {
    if (text == nullptr) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !std::isfinite(value) || value <= 0.0 ||
        value > kLongestRunSeconds) {
        return false;
    }
    *seconds = value;
    return true;
}

uint32_t RunEndMs(double seconds) {
    return static_cast<uint32_t>(std::ceil(seconds * 1000.0));
}
