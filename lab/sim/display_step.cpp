#include "lab/sim/display_step.h"

void StartDisplayStep(DisplayStep& step, double hz, double latchMs, IntervalFigures* leftSeen,
                      IntervalFigures* rightSeen, const SimSide* sides, FrameSink sink) {
    step.slot = RefreshSlot{0, 0.0};
    step.latch = latchMs * 0.001;
    if (hz > 0.0) {
        StartDisplay(step.display, hz);
        step.slot.period = 1.0 / hz;
    }
    step.seen[0] = leftSeen;
    step.seen[1] = rightSeen;
    StartSample(step.samples[0], sides);
    StartSample(step.samples[1], sides);
    step.sink = sink;
    StartSimAnimation(step.animation, nullptr, nullptr, false);
}
