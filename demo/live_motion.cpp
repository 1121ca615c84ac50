#include "demo/live_motion.h"

#include <cstdio>

#include "demo/live_limit.h"
#include "host/app.h"

MotionKind startMotions[2] = {MotionKind::kCpu, MotionKind::kCpu};
Motion liveMotions[2];
BracketedLatch liveLatch;

namespace {

// The refresh period the platform announces, read once a start: the one
// refresh counts in before any display time has come.
double announcedPeriod = 0.0;
double previousStart = -1.0;  // the latest frame's start; negative: none yet
// The typical time from a frame's start to its swap, without the
// display-timed limit; negative: none yet. The typical, not the limiter's
// high one: a pose is predicted where it most likely lands.
double swapLag = -1.0;
constexpr double kSwapLagFollow = 0.1;

// The bracketed lead where the redraws came fast enough to bracket it, else
// the least lead that made it, with the typical time to the swap.
double Lead() {
    const double latch = liveLatch.latch >= 0.0 ? liveLatch.latch : liveLimiter.display.latch;
    return latch + (swapLag > 0.0 ? swapLag : 0.0);
}

// Where this frame's redraw will be shown. The display-timed limiter has
// planned the frame for a display time and waited for it: that time, not
// one counted again from a wake that may have come late.
double Predicted(double frameStart) {
    const DisplayLimiter& display = liveLimiter.display;
    if (liveLimiter.places.hearsDisplay)
        return DisplayTimed(display, frameStart) ? display.plannedDisplay : -1.0;
    return PredictLiveDisplayWithLead(display, frameStart, Lead());
}

}  // namespace

void StartLiveMotion() {
    StartMotion(liveMotions[0], startMotions[0]);
    StartMotion(liveMotions[1], startMotions[1]);
    const double hz = HostRefreshRate();
    announcedPeriod = hz > 0.0 ? 1.0 / hz : 0.0;
    previousStart = -1.0;
    swapLag = -1.0;
    StartBracketedLatch(liveLatch);
}

void NoteFrameStart(double frameStart) {
    const bool display =
        liveMotions[0].kind == MotionKind::kDisplay || liveMotions[1].kind == MotionKind::kDisplay;
    if (!display || liveLimiter.places.hearsDisplay) {
        previousStart = -1.0;
        return;
    }
    // The swap before this frame is the previous frame's, unless the clock
    // went back between them.
    if (previousStart >= 0.0 && swapSeconds >= previousStart) {
        const double lag = swapSeconds - previousStart;
        swapLag = swapLag < 0.0 ? lag : swapLag + (lag - swapLag) * kSwapLagFollow;
    }
    previousStart = frameStart;
}

void NextLiveMotion(int side) {
    ChangeMotion(liveMotions[side], NextMotion(liveMotions[side].kind));
}

void MoveSide(int side, Pacer& pacer, double elapsed, double t, double frameStart) {
    Motion& motion = liveMotions[side];
    if (motion.kind == MotionKind::kCpu) {
        MotionStep(motion, elapsed, MotionClock{t, 0.0, -1.0});
        return;
    }
    const DisplayLimiter& display = liveLimiter.display;
    const double announced = display.refresh > 0.0 ? display.refresh : announcedPeriod;
    const MotionClock clock = {t, MotionPeriod(DisplayCadence(display), announced),
                               motion.kind == MotionKind::kDisplay ? Predicted(frameStart) : -1.0};
    const double step = MotionStep(motion, elapsed, clock);
    if (step != elapsed)
        AdvanceRotor(pacer, step - elapsed);
}

const char* LiveMotionText(int side) {
    const Motion& motion = liveMotions[side];
    if (motion.kind == MotionKind::kCpu)
        return nullptr;
    static char text[2][80];
    const char* note = MotionNote(motion);
    std::snprintf(text[side], sizeof text[side], "Motion: %s%s%s", MotionName(motion.kind),
                  note[0] != '\0' ? " " : "", note);
    return text[side];
}
