// A side moved by refresh or display motion in the simulator. The display
// is the modelled one; what the motion learns of it is only what a live
// program could: the grid its refreshes keep (phase 0, one a 1 / hz) and
// how long before a refresh a swap must come. It never reads the display
// time the model later gives a redraw.
#include "lab/sim/sim_steps.h"
#include "pacing/display_prediction.h"

void MoveSide(SimSide& side, double t, double now, double elapsed) {
    MotionClock clock{t, 0.0, -1.0};
    if (side.clockGiven) {
        clock = side.given;
        clock.now = t;
    } else if (side.gridHz > 0.0) {
        clock.period = 1.0 / side.gridHz;
        clock.predicted = PredictOnGrid(0.0, side.gridHz, side.gridLead, now);
    }
    MotionStep(side.motion, elapsed, clock);
}
