// A capture's own animation error, as PresentMon 2.x's CPU-start source
// has it: at each displayed present, the change in simulation start since
// the previous displayed one, less the change in screen time.
//
// Screen time is the present's time plus its MsUntilDisplayed. The
// simulation start is the CPU start where the capture has that column, else
// the end of the previous present: its time plus its MsInPresentAPI.
//
// Counters that wrapped in the capturing tool leave values such as
// -1844674407370945.5 ms: beyond kMostCaptureErrorMs either way a value is
// not kept, only counted, whether read from the file or computed here.
#pragma once

#include <cstdint>

#include "pacing/quantiles.h"

constexpr double kMostCaptureErrorMs = 1000.0;

// One present of one stream, in the capture's order.
struct CapturePresent {
    double seconds;  // when it was presented
    bool displayed;
    double msUntilDisplayed;  // displayed: from the present to the screen
    bool hasCpuStart;
    double cpuStartSeconds;
    double msInPresentApi;  // negative: not known
};

struct CaptureAnimation {
    bool haveEnd;
    double previousEnd;  // seconds: the simulation start of a present without its own
    bool anyShown;       // a displayed present with a simulation start
    double simulation;   // its simulation start
    double screen;       // and its screen time
    double firstSimulation;
    uint64_t rejected;
    QuantileKeeper errors;  // of the absolute value, seconds
};

// What a displayed present gives the log, as AnimationStep does.
struct CaptureAnimationStep {
    bool shown;  // displayed with a simulation start: timeMs holds
    bool hasError;
    double errorMs;
    double timeMs;  // AnimationTime: since the first shown present's simulation start
};

void ResetCaptureAnimation(CaptureAnimation& capture);

// The next present. Its values, out of range or not numbers, give nothing;
// nor does a present whose error is rejected.
CaptureAnimationStep AddCapturePresent(CaptureAnimation& capture, const CapturePresent& present);

// A value read from the file's own column, in ms: false (and counted in
// rejected) for one beyond the range or not a number.
bool KeepCaptureAnimationError(CaptureAnimation& capture, double ms);
