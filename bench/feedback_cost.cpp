// What asking the compositor for display times costs the redraw loop: the
// whole program (host, scene, pacers, figures) in rounds alternated within
// one process, each with its own window, with presentation feedback asked
// for and not (TEMPOLA_NO_PRESENTATION=1, which the platform reads as it
// makes the window). Vsync off, so the loop runs as fast as it can. Meant
// for a Wayland compositor (bench/feedback_cost.sh starts one): a round with
// feedback that gets no display times fails the run.
//
//   feedback_cost [PAIRS [SECONDS]]   (default 10 pairs of 1.5 s rounds)
//
// Prints each pair, the medians of the rounds with feedback (redraws and
// shown redraws a second, swap to display), and the median of the pairs'
// ratios, redraws a second with feedback over without, as a line of its
// own: feedback_ratio=0.99; and beside it the ratio of the process's CPU
// time a redraw, without over with (feedback_cpu_ratio, 1 for no cost), which
// other loads on a shared machine sway less. Rates run from a round's first
// Render to its last, so making and closing windows is left out. Within a
// pair the order alternates, so that a machine getting busier or quieter
// does not favour one side.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/options.h"
#include "app/run.h"
#include "demo/presentations.h"
#include "demo/scene.h"
#include "pacing/stats_keys.h"

namespace {

struct Round {
    bool ok;
    bool displayTimes;  // the figures line named a source with times
    double rate;        // redraws a second, first Render to last
    double cpuMs;       // the process's CPU time a redraw (all its threads)
    double shownRate;   // shown redraws a second
    double untilMs;     // mean swap to display of the shown redraws
};

constexpr int kMaxPairs = 100;

const AppCallbacks* demo = nullptr;
void (*programSink)(const FrameSample&, const FrameDisplay&) = nullptr;
double untilSum = 0.0;
long untilCount = 0;
Round current = {};

// From the first Render of a round to its last.
struct Span {
    long frames;
    double firstWall, lastWall;
    double firstCpu, lastCpu;
};
Span span = {};

double Seconds(clockid_t clock) {
    timespec now;
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double Now() {
    return Seconds(CLOCK_MONOTONIC);
}

bool TimedRender() {
    const double wall = Now();
    const double cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    if (span.frames++ == 0) {
        span.firstWall = wall;
        span.firstCpu = cpu;
    }
    span.lastWall = wall;
    span.lastCpu = cpu;
    return demo->Render();
}

// A number after " key=" on the figures line; false when it is not there or
// empty.
bool Figure(const char* line, const char* key, double* value) {
    char pattern[48];
    std::snprintf(pattern, sizeof pattern, " %s=", key);
    const char* at = std::strstr(line, pattern);
    if (at == nullptr) {
        return false;
    }
    at += std::strlen(pattern);
    char* end = nullptr;
    *value = std::strtod(at, &end);
    return end != at;
}

void TakeFiguresLine(const char* line) {
    if (std::strncmp(line, "tempola-stats ", 14) != 0) {
        std::fprintf(stderr, "feedback_cost: %s\n", line);
        return;
    }
    double exitCode = -1.0;
    current.ok = Figure(line, StatName(StatKey::kExit), &exitCode) && exitCode == 0.0;
    char wayland[48];
    std::snprintf(wayland, sizeof wayland, " %s=wayland ", StatName(StatKey::kDisplaySource));
    current.displayTimes = std::strstr(line, wayland) != nullptr &&
                           Figure(line, StatName(StatKey::kDisplayRate), &current.shownRate);
}

// Every settled redraw, in both kinds of round, on its way to the program's
// own sink: the sum of the swap-to-display times.
void CountSettled(const FrameSample& sample, const FrameDisplay& display) {
    if (display.fate == FrameFate::kShown && display.untilMs >= 0.0) {
        untilSum += display.untilMs;
        ++untilCount;
    }
    if (programSink != nullptr) {
        programSink(sample, display);
    }
}

// The run has set its sink by the time the window is there.
bool ChainedInit() {
    programSink = settledFrameSink;
    settledFrameSink = CountSettled;
    return demo->Init();
}

Round RunRound(bool feedback, double seconds) {
    if (feedback) {
        unsetenv("TEMPOLA_NO_PRESENTATION");
    } else {
        setenv("TEMPOLA_NO_PRESENTATION", "1", 1);
    }
    current = Round{};
    untilSum = 0.0;
    untilCount = 0;
    span = Span{};
    RunOptions options;
    options.stats = true;
    options.seconds = seconds;
    options.hostCommandLine = "-fullscreen=0";
    const RunEnvironment environment = {Now, -1.0, Now(), TakeFiguresLine,
                                        static_cast<long>(getpid())};
    AppCallbacks callbacks = *demo;
    callbacks.Init = ChainedInit;
    callbacks.Render = TimedRender;
    if (RunProgram(options, environment, callbacks) != 0 || span.frames < 2) {
        current.ok = false;
        return current;
    }
    const double redraws = static_cast<double>(span.frames - 1);
    current.rate = redraws / (span.lastWall - span.firstWall);
    current.cpuMs = (span.lastCpu - span.firstCpu) * 1000.0 / redraws;
    current.untilMs = untilCount > 0 ? untilSum / static_cast<double>(untilCount) : -1.0;
    return current;
}

double Median(double* values, int count) {
    std::sort(values, values + count);
    return count % 2 == 1 ? values[count / 2] : 0.5 * (values[count / 2 - 1] + values[count / 2]);
}

bool ParseCount(const char* text, int* value) {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || n < 1 || n > kMaxPairs) {
        return false;
    }
    *value = static_cast<int>(n);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int pairs = 10;
    double seconds = 1.5;
    if (argc > 3 || (argc > 1 && !ParseCount(argv[1], &pairs)) ||
        (argc > 2 && (!ParseRunSeconds(argv[2], &seconds) || seconds < 1.0))) {
        std::fprintf(stderr, "usage: feedback_cost [PAIRS (1 to %d) [SECONDS (1 or more)]]\n",
                     kMaxPairs);
        return 2;
    }
    demo = &DemoCallbacks();
    double ratios[kMaxPairs], cpuRatios[kMaxPairs], rates[kMaxPairs], withoutRates[kMaxPairs],
        shown[kMaxPairs], until[kMaxPairs];
    int untilKnown = 0;
    std::printf(
        "| pair | first | redraws/s with feedback | without | ratio | shown/s | "
        "swap to display (ms) | CPU ms a redraw, with / without |\n"
        "|---|---|---|---|---|---|---|---|\n");
    for (int p = 0; p < pairs; ++p) {
        const bool feedbackFirst = p % 2 == 0;
        Round with = {}, without = {};
        if (feedbackFirst) {
            with = RunRound(true, seconds);
            without = RunRound(false, seconds);
        } else {
            without = RunRound(false, seconds);
            with = RunRound(true, seconds);
        }
        if (!with.ok || !without.ok || with.rate <= 0.0 || without.rate <= 0.0) {
            std::fprintf(stderr, "feedback_cost: pair %d: a round failed\n", p + 1);
            return 1;
        }
        if (!with.displayTimes || without.displayTimes) {
            std::fprintf(stderr,
                         "feedback_cost: pair %d: no display times with feedback asked for, or "
                         "some without (is this a Wayland compositor with wp_presentation?)\n",
                         p + 1);
            return 1;
        }
        ratios[p] = with.rate / without.rate;
        cpuRatios[p] = without.cpuMs / with.cpuMs;
        rates[p] = with.rate;
        withoutRates[p] = without.rate;
        shown[p] = with.shownRate;
        if (with.untilMs >= 0.0) {
            until[untilKnown++] = with.untilMs;
        }
        std::printf("| %d | %s | %.1f | %.1f | %.3f | %.1f | %.2f | %.3f / %.3f |\n", p + 1,
                    feedbackFirst ? "with" : "without", with.rate, without.rate, ratios[p],
                    with.shownRate, with.untilMs, with.cpuMs, without.cpuMs);
        std::fflush(stdout);
    }
    std::printf("redraws_per_s=%.1f\n", Median(rates, pairs));
    std::printf("redraws_per_s_without=%.1f\n", Median(withoutRates, pairs));
    std::printf("shown_per_s=%.1f\n", Median(shown, pairs));
    if (untilKnown > 0) {
        std::printf("swap_to_display_ms=%.2f\n", Median(until, untilKnown));
    }
    // Less swayed by other loads on the machine than the rates: what a
    // redraw costs the process without feedback over with.
    std::printf("feedback_cpu_ratio=%.3f\n", Median(cpuRatios, pairs));
    std::printf("feedback_ratio=%.3f\n", Median(ratios, pairs));
    return 0;
}
