#include "demo/pacing.h"

#include <cstdio>

#include "demo/live_motion.h"
#include "demo/presentations.h"
#include "host/app.h"

Pacer leftPacer;
Pacer rightPacer;

double previousFrameTime;
double redrawRateSum;
int32_t redrawCount;
char statusText[100];

PaceRule leftRule = kLeftStartRule;
PaceRule rightRule = kRightStartRule;
double leftStartTarget = kLeftStartTarget;
double rightStartTarget = kRightStartTarget;
FrameSteps frameSteps;
Cadence liveCadence;

namespace {

constexpr int32_t kRedrawWindow = 100;

SideSample SideOf(const SideStep& step, const Pacer& pacer, PaceRule rule, const Motion& motion) {
    return SideSample{step.updated, step.elapsed, pacer.target, rule, motion.poseTime};
}

}  // namespace

void UpdateFrameTiming() {
    const double t = PacerTime(timeMs);

    const double dt = t - previousFrameTime;
    previousFrameTime = t;
    // A frame that saw no whole millisecond pass still counts, as a rate of 0.
    if (dt > 0.0)
        redrawRateSum += 1.0 / dt;
    if (++redrawCount == kRedrawWindow) {
        std::snprintf(statusText, sizeof statusText,
                      "Tempola - two frame pacers side by side   -=[ FPS:%.0f ]=-",
                      redrawRateSum * (1.0 / kRedrawWindow));
        redrawCount = 0;
        redrawRateSum = 0.0;
    }

    const RefreshSlot* slot = RefreshSlotAt(frameSeconds);
    frameSteps.left.updated = StepPacer(leftPacer, leftRule, t, &frameSteps.left.elapsed, slot);
    frameSteps.right.updated = StepPacer(rightPacer, rightRule, t, &frameSteps.right.elapsed, slot);
    // The whole elapsed time turns the rotor first, as it always has; a
    // motion that moves the pose otherwise corrects it from there.
    if (frameSteps.left.updated) {
        AdvanceRotor(leftPacer, frameSteps.left.elapsed);
        MoveSide(0, leftPacer, frameSteps.left.elapsed, t, frameSeconds);
    }
    if (frameSteps.right.updated) {
        AdvanceRotor(rightPacer, frameSteps.right.elapsed);
        MoveSide(1, rightPacer, frameSteps.right.elapsed, t, frameSeconds);
    }
    frameSteps.t = t;
}

const char* GetStatusText() {
    return statusText;
}

void RaiseLeftTarget() {
    RaiseTarget(leftPacer);
}
void LowerLeftTarget() {
    LowerTarget(leftPacer);
}
void RaiseRightTarget() {
    RaiseTarget(rightPacer);
}
void LowerRightTarget() {
    LowerTarget(rightPacer);
}

void ResetPacing() {
    leftPacer = Pacer{};
    rightPacer = Pacer{};
    previousFrameTime = 0.0;
    redrawRateSum = 0.0;
    redrawCount = 0;
    for (char& c : statusText)
        c = '\0';
    leftRule = kLeftStartRule;
    rightRule = kRightStartRule;
    leftStartTarget = kLeftStartTarget;
    rightStartTarget = kRightStartTarget;
    frameSteps = FrameSteps{};
    ResetCadence(liveCadence);
    StartLiveMotion();
}

FrameSample CurrentFrameSample(double redrawSeconds) {
    return FrameSample{redrawSeconds, SideOf(frameSteps.left, leftPacer, leftRule, liveMotions[0]),
                       SideOf(frameSteps.right, rightPacer, rightRule, liveMotions[1]), timeMs,
                       FrameWork{}};
}
