#include "lab/sim_options.h"

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "pacing/motion_option.h"

namespace {

struct Reader {
    int argc;
    const char* const* argv;
    int next;
    char* error;
    size_t errorSize;
};

bool Fail(Reader& reader, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(reader.error, reader.errorSize, format, args);
    va_end(args);
    return false;
}

// A whole decimal number: strtod alone takes leading blanks, "inf", "nan" and
// out-of-range values, none of which belong on this command line.
bool ParseNumber(const char* text, const char* stop, double* value) {
    if (text == stop || std::strchr("0123456789.+-", *text) == nullptr) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text, &end);
    if (end != stop || errno != 0 || !std::isfinite(v)) {
        return false;
    }
    *value = v;
    return true;
}

bool ParseWhole(const char* text, double* value) {
    return ParseNumber(text, text + std::strlen(text), value);
}

bool TakeValue(Reader& reader, const char* option, const char** value) {
    if (reader.next >= reader.argc) {
        return Fail(reader, "%s needs a value", option);
    }
    *value = reader.argv[reader.next++];
    return true;
}

bool TakeNumber(Reader& reader, const char* option, double low, double high, bool lowIncluded,
                const char* what, double* out) {
    const char* text = nullptr;
    if (!TakeValue(reader, option, &text)) {
        return false;
    }
    double v = 0.0;
    if (!ParseWhole(text, &v) || v < low || (!lowIncluded && v == low) || v > high) {
        return Fail(reader, "%s: not %s: '%s'", option, what, text);
    }
    *out = v;
    return true;
}

bool TakeRate(Reader& reader, const char* option, double* out) {
    return TakeNumber(reader, option, 0.0, kHighestHz, false, "a rate in Hz (0 < HZ <= 1e9)", out);
}

bool TakeTarget(Reader& reader, const char* option, double* out) {
    const char* text = nullptr;
    if (!TakeValue(reader, option, &text)) {
        return false;
    }
    if (!ParseTarget(text, out)) {
        return Fail(reader, "%s: not %s: '%s'", option, kTargetWords, text);
    }
    return true;
}

bool TakeRule(Reader& reader, const char* option, PaceRule* rule) {
    const char* text = nullptr;
    if (!TakeValue(reader, option, &text)) {
        return false;
    }
    if (!PaceRuleFromName(text, rule)) {
        return Fail(reader, "%s: no rule '%s' (%s)", option, text, PaceRuleList());
    }
    return true;
}

bool TakeSeed(Reader& reader, const char* option, uint64_t* seed) {
    const char* text = nullptr;
    if (!TakeValue(reader, option, &text)) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (*text < '0' || *text > '9' || *end != '\0' || errno != 0) {
        return Fail(reader, "%s: not a whole number from 0 to 2^64 - 1: '%s'", option, text);
    }
    *seed = v;
    return true;
}

bool TakeStall(Reader& reader, const char* option, RedrawModel* model) {
    const char* text = nullptr;
    if (!TakeValue(reader, option, &text)) {
        return false;
    }
    const char* colon = std::strchr(text, ':');
    double every = 0.0;
    double length = 0.0;
    if (colon == nullptr || !ParseNumber(text, colon, &every) || !ParseWhole(colon + 1, &length) ||
        every <= 0.0 || every > kLongestSeconds * 1000.0 || length <= 0.0 || length >= every) {
        return Fail(reader, "%s: not EVERY_MS:LENGTH_MS with 0 < LENGTH < EVERY: '%s'", option,
                    text);
    }
    model->stallEveryMs = every;
    model->stallLengthMs = length;
    return true;
}

bool TakeClock(Reader& reader, const char* option, PacerClock* clock) {
    const char* text = nullptr;
    if (!TakeValue(reader, option, &text)) {
        return false;
    }
    if (std::strcmp(text, "ms") == 0) {
        *clock = PacerClock::kMilliseconds;
    } else if (std::strcmp(text, "us") == 0) {
        *clock = PacerClock::kMicroseconds;
    } else {
        return Fail(reader, "%s: not ms or us: '%s'", option, text);
    }
    return true;
}

bool TakeTargets(Reader& reader, const char* option, SimOptions* options) {
    const char* text = nullptr;
    if (!TakeValue(reader, option, &text)) {
        return false;
    }
    const char* first = std::strchr(text, ':');
    const char* second = first != nullptr ? std::strchr(first + 1, ':') : nullptr;
    double from = 0.0;
    double to = 0.0;
    double step = 0.0;
    if (second == nullptr || !ParseNumber(text, first, &from) ||
        !ParseNumber(first + 1, second, &to) || !ParseWhole(second + 1, &step) ||
        from < kLowestTarget || to > kHighestTarget || from > to || step <= 0.0) {
        return Fail(reader, "%s: not FROM:TO:STEP with 5 <= FROM <= TO <= 200, STEP > 0: '%s'",
                    option, text);
    }
    // A hair of slack so that 5:200:0.1 reaches 200 despite rounding.
    const double steps = std::floor((to - from) / step + 1e-9);
    if (steps + 1.0 > kMostSweepTargets) {
        return Fail(reader, "%s: more than %d targets: '%s'", option, kMostSweepTargets, text);
    }
    options->targetFrom = from;
    options->targetTo = to;
    options->targetStep = step;
    options->targetCount = static_cast<int>(steps) + 1;
    return true;
}

bool TakeRateList(Reader& reader, const char* option, SimOptions* options) {
    const char* text = nullptr;
    if (!TakeValue(reader, option, &text)) {
        return false;
    }
    int count = 0;
    const char* p = text;
    for (;;) {
        const char* comma = std::strchr(p, ',');
        const char* stop = comma != nullptr ? comma : p + std::strlen(p);
        double v = 0.0;
        if (count == kMostSweepRates || !ParseNumber(p, stop, &v) || v <= 0.0 || v > kHighestHz) {
            return Fail(reader, "%s: not a list of 1 to %d rates in Hz (0 < HZ <= 1e9): '%s'",
                        option, kMostSweepRates, text);
        }
        options->redrawList[count++] = v;
        if (comma == nullptr) {
            break;
        }
        p = comma + 1;
    }
    options->redrawCount = count;
    return true;
}

// A whole number from 1 to most; what says so, for the message.
bool TakeCount(Reader& reader, const char* option, int most, const char* what, int* out) {
    double v = 0.0;
    if (!TakeNumber(reader, option, 1.0, most, true, what, &v)) {
        return false;
    }
    if (v != std::floor(v)) {
        return Fail(reader, "%s: not %s: '%s'", option, what, reader.argv[reader.next - 1]);
    }
    *out = static_cast<int>(v);
    return true;
}

bool TakeWakeLate(Reader& reader, const char* option, LimitModel* model) {
    const char* text = nullptr;
    if (!TakeValue(reader, option, &text)) {
        return false;
    }
    const char* colon = std::strchr(text, ':');
    double p50 = 0.0;
    double p99 = 0.0;
    // A lognormal needs a positive median below its 99th percentile; equal
    // quantiles give every wake the same lateness.
    if (colon == nullptr || !ParseNumber(text, colon, &p50) || !ParseWhole(colon + 1, &p99) ||
        p50 < 0.0 || p99 < p50 || p99 > kLongestWakeLateUs || (p50 == 0.0 && p99 > 0.0)) {
        return Fail(reader, "%s: not P50:P99 in us with 0 < P50 <= P99 <= 1e6, or 0:0: '%s'",
                    option, text);
    }
    model->wakeLateP50Us = p50;
    model->wakeLateP99Us = p99;
    return true;
}

bool FitsCap(Reader& reader, double seconds, double hz, const char* what) {
    if (seconds * hz > kMostFrames) {
        return Fail(reader, "%g s at %g Hz is more than 1e12 %s", seconds, hz, what);
    }
    return true;
}

// Each --replay is a run of its own; the first is replayPath, as for one.
bool TakeReplay(Reader& reader, const char* option, SimOptions* options) {
    const char* path = nullptr;
    if (!TakeValue(reader, option, &path))
        return false;
    if (options->replayCount == kMostReplays)
        return Fail(reader, "more than %d %s runs", kMostReplays, option);
    options->replayPaths[options->replayCount++] = path;
    options->replayPath = options->replayPaths[0];
    return true;
}

bool TakeName(Reader& reader, const char* option, SimOptions* options) {
    const char* name = nullptr;
    if (!TakeValue(reader, option, &name))
        return false;
    if (options->nameCount == kMostReplays)
        return Fail(reader, "more than %d %s", kMostReplays, option);
    if (name[0] == '\0')
        return Fail(reader, "%s needs a name", option);
    options->runNames[options->nameCount++] = name;
    return true;
}

// --summary takes the arguments after it up to the next option; a file
// whose name starts with "--" is given as ./--name.
bool TakeSummary(Reader& reader, const char* option, SimOptions* options) {
    if (options->summary)
        return Fail(reader, "%s is given once, with every file and folder", option);
    options->summary = true;
    options->summaryPaths = reader.argv + reader.next;
    while (reader.next < reader.argc && std::strncmp(reader.argv[reader.next], "--", 2) != 0) {
        ++reader.next;
        ++options->summaryCount;
    }
    return true;
}

// Which options were given, for the checks that involve more than one.
struct Given {
    bool seconds;
    const char* limitOnly;   // an option of the limited program's model
    const char* notLimited;  // an option of the unlimited redraw model
    const char* modelOnly;   // an option of the redraw model, which --replay replaces
    bool singleRun;          // an option that only means something without --sweep
    const char* singleName;
    bool sweepOnly;
    const char* sweepName;
    const char* captureOnly;  // an option about the capture read, which needs --replay
};

// A report reads the run's own frame log back, and a comparison sets the
// rules itself.
bool CheckReport(Reader& reader, const SimOptions* options) {
    const bool report = options->reportPath != nullptr || options->compareRules;
    if (report && (options->logPath != nullptr || options->sideLogPrefix != nullptr))
        return Fail(reader, "%s does not go with --report or --compare-rules",
                    options->logPath != nullptr ? "--log" : "--side-logs");
    if (options->compareRules && (options->ruleGiven[0] || options->ruleGiven[1]))
        return Fail(reader, "--compare-rules runs every rule: no --left-rule or --right-rule");
    if (options->reportPath != nullptr && options->reportPath[0] == '\0')
        return Fail(reader, "--report needs a file name");
    if (report && options->list)
        return Fail(reader, "--list replays nothing: it does not go with %s",
                    options->compareRules ? "--compare-rules" : "--report");
    return true;
}

// Runs side by side share the command line's rules and capture options;
// what writes or lists one run's rows does not go with several.
bool CheckRuns(Reader& reader, const SimOptions* options) {
    if (options->nameCount > 0 && options->replayCount == 0)
        return Fail(reader, "--name names a --replay run: it only goes with --replay");
    if (options->nameCount > options->replayCount)
        return Fail(reader, "%d --name for %d --replay runs", options->nameCount,
                    options->replayCount);
    if (options->replayCount < 2)
        return true;
    if (options->compareRules)
        return Fail(reader, "--compare-rules does not go with several --replay runs");
    if (options->logPath != nullptr || options->sideLogPrefix != nullptr || options->list)
        return Fail(reader, "%s does not go with several --replay runs",
                    options->list                 ? "--list"
                    : options->logPath != nullptr ? "--log"
                                                  : "--side-logs");
    return true;
}

// --summary replays each capture with the rules and capture options given,
// and writes nothing but its table.
bool CheckSummary(Reader& reader, const SimOptions* options, const Given& given) {
    const char* other = options->replayCount > 0            ? "--replay"
                        : options->sweep                    ? "--sweep"
                        : options->reportPath != nullptr    ? "--report"
                        : options->compareRules             ? "--compare-rules"
                        : options->logPath != nullptr       ? "--log"
                        : options->sideLogPrefix != nullptr ? "--side-logs"
                        : options->list                     ? "--list"
                        : options->stats                    ? "--stats"
                        : given.modelOnly != nullptr        ? given.modelOnly
                        : given.sweepOnly && std::strcmp(given.sweepName, "--threads") != 0
                            ? given.sweepName
                            : nullptr;
    if (other != nullptr)
        return Fail(reader, "%s does not go with --summary", other);
    if (options->summaryCount == 0)
        return Fail(reader, "--summary needs files or folders of captures");
    return true;
}

bool CheckTogether(Reader& reader, SimOptions* options, const Given& given) {
    if (!CheckRuns(reader, options))
        return false;
    if (options->summary)
        return CheckSummary(reader, options, given);
    if (!CheckReport(reader, options))
        return false;
    RedrawModel& redraw = options->setup.redraw;
    if (!given.seconds) {
        redraw.seconds = options->sweep ? kSweepSecondsDefault : kRunSecondsDefault;
    }
    if (options->replayPath != nullptr && (options->sweep || given.modelOnly != nullptr)) {
        return Fail(reader, "%s does not go with --replay",
                    options->sweep ? "--sweep" : given.modelOnly);
    }
    if (options->process != nullptr && options->replayPath == nullptr) {
        return Fail(reader, "--process only goes with --replay");
    }
    if (given.captureOnly != nullptr && options->replayPath == nullptr) {
        return Fail(reader, "%s only goes with --replay", given.captureOnly);
    }
    if (options->list && (options->logPath != nullptr || options->sideLogPrefix != nullptr)) {
        return Fail(reader, "--list replays nothing: it does not go with %s",
                    options->logPath != nullptr ? "--log" : "--side-logs");
    }
    if (options->replayPath != nullptr) {
        return true;
    }
    LimitModel& limit = options->setup.limit;
    const bool limited = limit.setting.kind != LimitKind::kOff;
    if (!limited && given.limitOnly != nullptr) {
        return Fail(reader, "%s only goes with --limit HZ or --limit display", given.limitOnly);
    }
    if (limited && given.notLimited != nullptr) {
        return Fail(reader, "%s does not go with --limit (the limited model draws for --render-ms)",
                    given.notLimited);
    }
    if (options->sweep && given.singleRun) {
        return Fail(reader, "%s does not go with --sweep", given.singleName);
    }
    if (!options->sweep && given.sweepOnly) {
        return Fail(reader, "%s only goes with --sweep", given.sweepName);
    }
    if (options->setup.displayHz > 0.0 &&
        !FitsCap(reader, redraw.seconds, options->setup.displayHz, "refreshes")) {
        return false;
    }
    if (limited && limit.renderMs > 0.0) {
        // No frame is shorter than its drawing.
        return FitsCap(reader, redraw.seconds, 1000.0 / limit.renderMs, "redraws");
    }
    if (!options->sweep) {
        return FitsCap(reader, redraw.seconds, redraw.redrawHz, "redraws");
    }
    for (int i = 0; i < options->redrawCount; ++i) {
        if (!FitsCap(reader, redraw.seconds, options->redrawList[i], "redraws")) {
            return false;
        }
    }
    return true;
}

void SetDefaults(SimOptions* options) {
    *options = SimOptions{};
    RedrawModel& redraw = options->setup.redraw;
    redraw.redrawHz = 1000.0;
    redraw.seed = 1;
    redraw.seconds = kRunSecondsDefault;
    options->setup.clock = PacerClock::kMilliseconds;
    options->setup.limit.setting = kNoLimit;
    options->setup.frameGen.generateMs = kFrameGenMsDefault;
    options->setup.side[0] = SideSetup{kLeftStartRule, kLeftStartTarget};
    options->setup.side[1] = SideSetup{kRightStartRule, kRightStartTarget};
    options->targetFrom = kLowestTarget;
    options->targetTo = kHighestTarget;
    options->targetStep = kTargetStep;
    options->targetCount = static_cast<int>((kHighestTarget - kLowestTarget) / kTargetStep) + 1;
    const double rates[] = {60.0, 144.0, 240.0, 1000.0};
    for (double rate : rates) {
        options->redrawList[options->redrawCount++] = rate;
    }
}

bool Is(const char* arg, const char* name) {
    return std::strcmp(arg, name) == 0;
}

void MarkSingle(Given& given, const char* arg) {
    given.singleRun = true;
    given.singleName = arg;
}

void MarkSweep(Given& given, const char* arg) {
    given.sweepOnly = true;
    given.sweepName = arg;
}

// --frame-gen N and --frame-gen-ms MS: the frame generator's model.
bool TakeFrameGen(Reader& reader, const char* option, FrameGenModel* model, bool* msGiven) {
    if (Is(option, "--frame-gen-ms")) {
        *msGiven = true;
        return TakeNumber(reader, option, 0.0, kLongestRenderMs, true,
                          "a generator time in ms from 0 to 1000", &model->generateMs);
    }
    return TakeCount(reader, option, kMostGeneratedSteps,
                     "2, 3 or 4 frames shown per application frame", &model->steps) &&
           (model->steps >= kFewestGeneratedSteps ||
            Fail(reader, "%s: not 2, 3 or 4 frames shown per application frame: '%s'", option,
                 reader.argv[reader.next - 1]));
}

// The generator stands between the program and a display, and the
// display-timed limit would hear the generator's frames, not the program's.
bool CheckFrameGen(Reader& reader, const SimSetup& setup, bool msGiven) {
    const FrameGenModel& gen = setup.frameGen;
    if (gen.steps == 0) {
        return !msGiven || Fail(reader, "--frame-gen-ms only goes with --frame-gen");
    }
    if (!(setup.displayHz > 0.0)) {
        return Fail(reader, "--frame-gen needs a display to show its frames: give --display-hz");
    }
    if (setup.limit.setting.kind == LimitKind::kDisplay) {
        return Fail(reader,
                    "--frame-gen does not go with --limit display: the limit would time "
                    "the generator's frames; give --limit HZ");
    }
    return true;
}

}  // namespace

bool ParseSimOptions(int argc, const char* const* argv, SimOptions* options, char* error,
                     size_t errorSize) {
    SetDefaults(options);
    Reader reader{argc, argv, 1, error, errorSize};
    Given given{};
    bool frameGenMsGiven = false;
    SimSetup& setup = options->setup;
    RedrawModel& redraw = setup.redraw;
    while (reader.next < argc) {
        const char* arg = argv[reader.next++];
        bool ok = true;
        if (Is(arg, "--help")) {
            options->help = true;
            return true;
        } else if (Is(arg, "--version")) {
            options->version = true;
            return true;
        } else if (Is(arg, "--stats")) {
            options->stats = true;
            MarkSingle(given, arg);
        } else if (Is(arg, "--sweep")) {
            options->sweep = true;
        } else if (Is(arg, "--redraw")) {
            ok = TakeRate(reader, arg, &redraw.redrawHz);
            MarkSingle(given, arg);
            given.modelOnly = arg;
        } else if (Is(arg, "--jitter")) {
            ok = TakeNumber(reader, arg, 0.0, kLongestJitterMs, true,
                            "a jitter in ms from 0 to 1e6", &redraw.jitterMs);
            given.modelOnly = arg;
            given.notLimited = arg;
        } else if (IsLimitOption(arg)) {
            const char* value = reader.next < argc ? argv[reader.next++] : nullptr;
            ok = ParseLimitOption(arg, value, &setup.limit.setting, error, errorSize);
            given.modelOnly = arg;
            if (!Is(arg, "--limit")) {
                given.limitOnly = arg;
            }
        } else if (Is(arg, "--render-ms")) {
            ok = TakeNumber(reader, arg, 0.0, kLongestRenderMs, false,
                            "a drawing time in ms (0 < MS <= 1000)", &setup.limit.renderMs);
            given.modelOnly = given.limitOnly = arg;
        } else if (Is(arg, "--render-jitter-ms")) {
            ok = TakeNumber(reader, arg, 0.0, kLongestRenderMs, true,
                            "a jitter in ms from 0 to 1000", &setup.limit.renderJitterMs);
            given.modelOnly = given.limitOnly = arg;
        } else if (Is(arg, "--wake-late-us")) {
            ok = TakeWakeLate(reader, arg, &setup.limit);
            given.modelOnly = given.limitOnly = arg;
        } else if (Is(arg, "--seed")) {
            ok = TakeSeed(reader, arg, &redraw.seed);
            given.modelOnly = arg;
        } else if (Is(arg, "--stall")) {
            ok = TakeStall(reader, arg, &redraw);
            given.modelOnly = arg;
            given.notLimited = arg;
        } else if (Is(arg, "--clock")) {
            ok = TakeClock(reader, arg, &setup.clock);
        } else if (Is(arg, "--latch-ms")) {
            ok = TakeNumber(reader, arg, 0.0, kLongestLatchMs, true, "a latch in ms from 0 to 1000",
                            &setup.latchMs);
        } else if (Is(arg, "--display-hz")) {
            ok = TakeRate(reader, arg, &setup.displayHz);
        } else if (Is(arg, "--left-rule") || Is(arg, "--right-rule") || Is(arg, "--left") ||
                   Is(arg, "--right")) {
            // --left and --right: the first spellings, kept for old scripts.
            ok = TakeRule(reader, arg, &setup.side[arg[2] == 'r'].rule);
            options->ruleGiven[arg[2] == 'r'] = true;
            MarkSingle(given, arg);
        } else if (int motionSide = 0; IsMotionOption(arg, &motionSide)) {
            const char* value = reader.next < argc ? argv[reader.next++] : nullptr;
            ok = ParseMotionOption(arg, value, &setup.side[motionSide].motion, error, errorSize);
        } else if (Is(arg, "--left-target") || Is(arg, "--right-target")) {
            ok = TakeTarget(reader, arg, &setup.side[Is(arg, "--right-target")].target);
            options->targetGiven[Is(arg, "--right-target")] = true;
            MarkSingle(given, arg);
        } else if (Is(arg, "--seconds")) {
            ok = TakeNumber(reader, arg, 0.0, kLongestSeconds, false,
                            "a number of seconds (0 < S <= 1e9)", &redraw.seconds);
            given.seconds = true;
            given.modelOnly = arg;
        } else if (Is(arg, "--replay")) {
            ok = TakeReplay(reader, arg, options);
        } else if (Is(arg, "--name")) {
            ok = TakeName(reader, arg, options);
        } else if (Is(arg, "--summary")) {
            ok = TakeSummary(reader, arg, options);
        } else if (Is(arg, "--process")) {
            ok = TakeValue(reader, arg, &options->process);
        } else if (Is(arg, "--list")) {
            options->list = true;
            given.captureOnly = arg;
        } else if (Is(arg, "--run")) {
            ok = TakeCount(reader, arg, kMostRuns, "a run from 1 to 1000000", &options->run);
            given.captureOnly = arg;
        } else if (Is(arg, "--recompute-animation")) {
            options->recomputeAnimation = true;
            given.captureOnly = arg;
        } else if (Is(arg, "--qpc-hz")) {
            ok = TakeRate(reader, arg, &options->ticksHz);
            given.captureOnly = arg;
        } else if (Is(arg, "--log")) {
            ok = TakeValue(reader, arg, &options->logPath);
            MarkSingle(given, arg);
        } else if (Is(arg, "--side-logs")) {
            ok = TakeValue(reader, arg, &options->sideLogPrefix);
            MarkSingle(given, arg);
        } else if (Is(arg, "--report")) {
            ok = TakeValue(reader, arg, &options->reportPath);
            MarkSingle(given, arg);
        } else if (Is(arg, "--compare-rules")) {
            options->compareRules = true;
            MarkSingle(given, arg);
        } else if (Is(arg, "--targets")) {
            ok = TakeTargets(reader, arg, options);
            MarkSweep(given, arg);
        } else if (Is(arg, "--redraw-list")) {
            ok = TakeRateList(reader, arg, options);
            MarkSweep(given, arg);
        } else if (Is(arg, "--threads")) {
            ok = TakeCount(reader, arg, kMostThreads, "a thread count from 1 to 256",
                           &options->threads);
            MarkSweep(given, arg);
        } else if (Is(arg, "--frame-gen") || Is(arg, "--frame-gen-ms")) {
            ok = TakeFrameGen(reader, arg, &setup.frameGen, &frameGenMsGiven);
            given.modelOnly = arg;
        } else {
            ok = Fail(reader, "unknown option '%s'", arg);
        }
        if (!ok) {
            return false;
        }
    }
    return CheckTogether(reader, options, given) &&
           CheckFrameGen(reader, options->setup, frameGenMsGiven);
}

SweepSetup SweepSetupOf(const SimOptions& options) {
    return SweepSetup{options.setup,      options.redrawList, options.redrawCount,
                      options.targetFrom, options.targetStep, options.targetCount};
}
