#include "app/options.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// The millisecond frame clock is 32 bits wide: a longer run could never end.
constexpr double kLongestRunSeconds = 4294967.0;

// The rule names and target bounds come from the engine when the text is
// first asked for, so that a new rule or bound shows up here by itself.
const char kUsageFormat[] =
    "usage: tempola [-fullscreen | -fullscreen=0] [--seconds N] [--stats] [--log FILE]\n"
    "               [--side-logs PREFIX]\n"
    "               [--left-rule RULE] [--right-rule RULE] [--left-target F]\n"
    "               [--right-target F] [--vsync] [--limit HZ|display|off]\n"
    "               [--limiter sleep|spin|hybrid] [--limit-at swap|frame]\n"
    "               [--left-motion MOTION] [--right-motion MOTION]\n"
    "               [--version] [--help]\n"
    "\n"
    "  -fullscreen        take over the screen (the default)\n"
    "  -fullscreen=0      run in a window\n"
    "  --seconds N        close after N seconds of running, as Escape does\n"
    "  --stats            print the run's figures as one key=value line on standard\n"
    "                     error at exit\n"
    "  --log FILE         write one CSV row per redraw to FILE\n"
    "  --side-logs PREFIX write PREFIX-left.csv and PREFIX-right.csv: one CSV row per\n"
    "                     update of that side, with what the display showed of it\n"
    "  --left-rule RULE   pacing rule of the left rotor (default %s)\n"
    "  --right-rule RULE  pacing rule of the right rotor (default %s)\n"
    "  RULE, one of:\n"
    "    %s\n"
    "  --left-target F    starting target rate of the left rotor (default %g)\n"
    "  --right-target F   starting target rate of the right rotor (default %g)\n"
    "                     F: %g to %g in steps of %g\n"
    "  --vsync            wait for the display's refresh at every swap\n"
    "  --limit HZ         make at most HZ redraws a second (1 to 1000), on an absolute\n"
    "                     schedule; display: just in time for the display (without\n"
    "                     display times, at its refresh rate); off: no limit (the\n"
    "                     default)\n"
    "  --limiter METHOD   how the limit waits: sleep, spin, or hybrid (the default:\n"
    "                     sleep, then spin a learned margin before the deadline)\n"
    "  --limit-at PLACE   where it waits: swap (the default: after drawing, before\n"
    "                     the swap) or frame (before the frame reads the clock);\n"
    "                     --limit display always waits before the frame\n"
    "  --left-motion M    how far the left rotor moves at each update: cpu (the\n"
    "  --right-motion M   default), by the time the pacer saw pass; refresh, by that\n"
    "                     time in whole refreshes of the display, the rest carried\n"
    "                     on; display, by when the display is expected to show the\n"
    "                     redraw (without display times as refresh, without a\n"
    "                     refresh period as cpu)\n"
    "  --version          print the program's name and version\n"
    "  --help             this text\n"
    "\n"
    "keys:\n"
    "  Escape             quit\n"
    "  Q / A              raise / lower the left target rate\n"
    "  W / S              raise / lower the right target rate\n"
    "  Z / X              next pacing rule, left / right\n"
    "  G                  cadence panel on / off\n"
    "  V                  vsync on / off\n"
    "  L                  limit: off, 30, 60, 120, display, off again\n"
    "  N / M              next motion, left / right: cpu, refresh, display\n"
    "\n"
    "exit codes: 0 done; 1 start-up failed (no display); 2 bad option or a log not\n"
    "opened; 3 a log failed part way (the record is incomplete)\n";

bool Fail(char* error, size_t errorSize, const char* what, const char* arg) {
    std::snprintf(error, errorSize, "%s '%s' (try --help)", what, arg);
    return false;
}

bool ParseRule(const char* text, PaceRule* rule) {
    return text != nullptr && PaceRuleFromName(text, rule);
}

}  // namespace

const char* UsageText() {
    static char text[sizeof kUsageFormat + 256];
    if (text[0] == '\0') {
        std::snprintf(text, sizeof text, kUsageFormat, PaceRuleName(kLeftStartRule),
                      PaceRuleName(kRightStartRule), PaceRuleList(), kLeftStartTarget,
                      kRightStartTarget, kLowestTarget, kHighestTarget, kTargetStep);
    }
    return text;
}

const char* VersionText() {
    return "tempola " TEMPOLA_VERSION;
}

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

bool ParseOptions(int argc, const char* const* argv, RunOptions* options, char* error,
                  size_t errorSize) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (std::strcmp(arg, "--help") == 0) {
            options->help = true;
        } else if (std::strcmp(arg, "--version") == 0) {
            options->version = true;
        } else if (std::strcmp(arg, "--stats") == 0) {
            options->stats = true;
        } else if (std::strcmp(arg, "--vsync") == 0) {
            options->vsync = true;
        } else if (std::strcmp(arg, "--seconds") == 0) {
            if (value == nullptr) {
                return Fail(error, errorSize, "missing number of seconds after", arg);
            }
            if (!ParseRunSeconds(value, &options->seconds)) {
                return Fail(error, errorSize, "not a number of seconds (0 < N <= 4294967):", value);
            }
            ++i;
        } else if (std::strcmp(arg, "--log") == 0) {
            if (value == nullptr || *value == '\0') {
                return Fail(error, errorSize, "missing file name after", arg);
            }
            options->logPath = value;
            ++i;
        } else if (std::strcmp(arg, "--side-logs") == 0) {
            if (value == nullptr || *value == '\0') {
                return Fail(error, errorSize, "missing file name prefix after", arg);
            }
            options->sideLogPrefix = value;
            ++i;
        } else if (std::strcmp(arg, "--left-rule") == 0 || std::strcmp(arg, "--right-rule") == 0) {
            PaceRule* rule = arg[2] == 'l' ? &options->leftRule : &options->rightRule;
            if (value == nullptr) {
                return Fail(error, errorSize, "missing rule after", arg);
            }
            if (!ParseRule(value, rule)) {
                std::snprintf(error, errorSize, "%s: no rule '%s' (%s) (try --help)", arg, value,
                              PaceRuleList());
                return false;
            }
            ++i;
        } else if (std::strcmp(arg, "--left-target") == 0 ||
                   std::strcmp(arg, "--right-target") == 0) {
            double* target = arg[2] == 'l' ? &options->leftTarget : &options->rightTarget;
            if (value == nullptr) {
                return Fail(error, errorSize, "missing target after", arg);
            }
            if (!ParseTarget(value, target)) {
                std::snprintf(error, errorSize, "%s: not %s: '%s' (try --help)", arg, kTargetWords,
                              value);
                return false;
            }
            ++i;
        } else if (IsLimitOption(arg)) {
            char why[256];
            if (!ParseLimitOption(arg, value, &options->limit, why, sizeof why)) {
                std::snprintf(error, errorSize, "%s (try --help)", why);
                return false;
            }
            ++i;
        } else if (int side = 0; IsMotionOption(arg, &side)) {
            char why[256];
            if (!ParseMotionOption(arg, value, &options->motions[side], why, sizeof why)) {
                std::snprintf(error, errorSize, "%s (try --help)", why);
                return false;
            }
            ++i;
        } else if (std::strncmp(arg, "-fullscreen", 11) == 0) {
            if (!options->hostCommandLine.empty()) {
                options->hostCommandLine += ' ';
            }
            options->hostCommandLine += arg;
        } else {
            return Fail(error, errorSize, "unknown option", arg);
        }
    }
    return true;
}
