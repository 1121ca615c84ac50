#include "pacing/limit_setting.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* const kMethodNames[] = {"sleep", "spin", "hybrid"};
const char* const kPlacementNames[] = {"swap", "frame"};
const double kStepRates[] = {30.0, 60.0, 120.0};

// A plain decimal number and nothing else: strtod alone also takes blanks,
// hex, "inf" and "nan".
bool ReadRate(const char* text, double* hz) {
    if (std::strchr("0123456789.+-", *text) == nullptr || *text == '\0') {
        return false;
    }
    for (const char* p = text; *p != '\0'; ++p) {
        if (std::strchr("0123456789.eE+-", *p) == nullptr) {
            return false;
        }
    }
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text, &end);
    if (*end != '\0' || errno != 0 || !std::isfinite(v) || v < kLowestLimitHz ||
        v > kHighestLimitHz) {
        return false;
    }
    *hz = v;
    return true;
}

template <typename T, size_t N>
bool ReadName(const char* const (&names)[N], const char* text, T* out) {
    for (size_t i = 0; i < N; ++i) {
        if (std::strcmp(names[i], text) == 0) {
            *out = static_cast<T>(i);
            return true;
        }
    }
    return false;
}

bool Refuse(char* error, size_t size, const char* option, const char* what, const char* value) {
    std::snprintf(error, size, "%s: not %s: '%s'", option, what, value);
    return false;
}

}  // namespace

bool IsLimitOption(const char* option) {
    return std::strcmp(option, "--limit") == 0 || std::strcmp(option, "--limiter") == 0 ||
           std::strcmp(option, "--limit-at") == 0;
}

bool ParseLimitOption(const char* option, const char* value, LimitSetting* setting, char* error,
                      size_t errorSize) {
    if (value == nullptr) {
        std::snprintf(error, errorSize, "%s needs a value", option);
        return false;
    }
    if (std::strcmp(option, "--limiter") == 0) {
        return ReadName(kMethodNames, value, &setting->method) ||
               Refuse(error, errorSize, option, "sleep, spin or hybrid", value);
    }
    if (std::strcmp(option, "--limit-at") == 0) {
        return ReadName(kPlacementNames, value, &setting->placement) ||
               Refuse(error, errorSize, option, "swap or frame", value);
    }
    if (std::strcmp(option, "--limit") != 0) {
        std::snprintf(error, errorSize, "unknown option '%s'", option);
        return false;
    }
    double hz = 0.0;
    if (std::strcmp(value, "off") == 0) {
        setting->kind = LimitKind::kOff;
        setting->hz = 0.0;
    } else if (std::strcmp(value, "display") == 0) {
        setting->kind = LimitKind::kDisplay;
        setting->hz = 0.0;
    } else if (ReadRate(value, &hz)) {
        setting->kind = LimitKind::kRate;
        setting->hz = hz;
    } else {
        return Refuse(error, errorSize, option, "off, display or a rate in Hz from 1 to 1000",
                      value);
    }
    return true;
}

void LimitText(const LimitSetting& setting, char* text, size_t size) {
    if (setting.kind == LimitKind::kRate) {
        std::snprintf(text, size, "%g", setting.hz);
    } else {
        std::snprintf(text, size, "%s", setting.kind == LimitKind::kOff ? "off" : "display");
    }
}

void DescribeLimit(const LimitSetting& setting, const char* note, char* text, size_t size) {
    if (setting.kind == LimitKind::kOff) {
        std::snprintf(text, size, "off");
        return;
    }
    char value[32];
    LimitText(setting, value, sizeof value);
    const bool noted = note != nullptr && *note != '\0';
    std::snprintf(text, size, "%s%s, %s at %s%s%s", value,
                  setting.kind == LimitKind::kRate ? " Hz" : "", WaitMethodName(setting.method),
                  WaitPlacementName(setting.placement), noted ? " " : "", noted ? note : "");
}

const char* WaitMethodName(WaitMethod method) {
    return kMethodNames[static_cast<int>(method)];
}

const char* WaitPlacementName(WaitPlacement place) {
    return kPlacementNames[static_cast<int>(place)];
}

LimitSetting NextLimitStep(const LimitSetting& setting) {
    LimitSetting next = setting;
    next.hz = 0.0;
    if (setting.kind == LimitKind::kDisplay) {
        next.kind = LimitKind::kOff;
        return next;
    }
    for (double rate : kStepRates) {
        if (setting.kind == LimitKind::kOff || rate > setting.hz) {
            next.kind = LimitKind::kRate;
            next.hz = rate;
            return next;
        }
    }
    next.kind = LimitKind::kDisplay;
    return next;
}
