#include "lab/sim/sim_animation.h"

void StartSimAnimation(SimAnimation& animation, ShownAnimation* shown, SimSide* sides, bool rows) {
    animation.shown = shown;
    animation.sides = sides;
    animation.rows = rows;
    animation.cells = FrameDisplay{};
    if (shown != nullptr)
        ResetShownAnimation(*shown);
}
