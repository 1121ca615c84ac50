#include "pacing/motion_option.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const kMotionNames[kMotionKindCount] = {"cpu", "refresh", "display"};

}  // namespace

const char* MotionName(MotionKind kind) {
    const int i = static_cast<int>(kind);
    return i < kMotionKindCount ? kMotionNames[i] : "unknown";
}

bool MotionFromName(const char* name, MotionKind* kind) {
    if (name == nullptr) {
        return false;
    }
    for (int i = 0; i < kMotionKindCount; ++i) {
        if (std::strcmp(name, kMotionNames[i]) == 0) {
            *kind = static_cast<MotionKind>(i);
            return true;
        }
    }
    return false;
}

MotionKind NextMotion(MotionKind kind) {
    const int next = static_cast<int>(kind) + 1;
    return next < kMotionKindCount ? static_cast<MotionKind>(next) : MotionKind::kCpu;
}

bool IsMotionOption(const char* option, int* side) {
    if (std::strcmp(option, "--left-motion") == 0) {
        *side = 0;
        return true;
    }
    if (std::strcmp(option, "--right-motion") == 0) {
        *side = 1;
        return true;
    }
    return false;
}

bool ParseMotionOption(const char* option, const char* value, MotionKind* kind, char* error,
                       size_t errorSize) {
    if (value == nullptr) {
        std::snprintf(error, errorSize, "%s needs a value", option);
        return false;
    }
    if (!MotionFromName(value, kind)) {
        std::snprintf(error, errorSize, "%s: not cpu, refresh or display: '%s'", option, value);
        return false;
    }
    return true;
}
