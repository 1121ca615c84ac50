#include "pacing/capture_animation.h"

#include <cmath>

void ResetCaptureAnimation(CaptureAnimation& capture) {
    capture.haveEnd = capture.anyShown = false;
    capture.previousEnd = capture.simulation = capture.screen = capture.firstSimulation = 0.0;
    capture.rejected = 0;
    ResetQuantiles(capture.errors);
}

bool KeepCaptureAnimationError(CaptureAnimation& capture, double ms) {
    if (!(std::fabs(ms) <= kMostCaptureErrorMs)) {
        ++capture.rejected;
        return false;
    }
    AddQuantile(capture.errors, std::fabs(ms) * 0.001);
    return true;
}

CaptureAnimationStep AddCapturePresent(CaptureAnimation& capture, const CapturePresent& present) {
    CaptureAnimationStep step{false, false, 0.0, 0.0};
    if (!std::isfinite(present.seconds)) {
        capture.haveEnd = false;
        return step;
    }
    const bool ownStart = present.hasCpuStart && std::isfinite(present.cpuStartSeconds);
    const bool known = ownStart || capture.haveEnd;
    const double simulation = ownStart ? present.cpuStartSeconds : capture.previousEnd;
    capture.haveEnd = present.msInPresentApi >= 0.0 && std::isfinite(present.msInPresentApi);
    capture.previousEnd = present.seconds + present.msInPresentApi * 0.001;
    if (!known || !present.displayed || !std::isfinite(present.msUntilDisplayed)) {
        return step;
    }
    const double screen = present.seconds + present.msUntilDisplayed * 0.001;
    if (!capture.anyShown) {
        capture.anyShown = true;
        capture.firstSimulation = simulation;
    } else {
        // A start that wrapped would spoil the next error too: the present
        // before it stays the one measured from.
        const double ms = ((simulation - capture.simulation) - (screen - capture.screen)) * 1000.0;
        if (!KeepCaptureAnimationError(capture, ms)) {
            return step;
        }
        step.hasError = true;
        step.errorMs = ms;
    }
    capture.simulation = simulation;
    capture.screen = screen;
    step.shown = true;
    step.timeMs = (simulation - capture.firstSimulation) * 1000.0;
    return step;
}
