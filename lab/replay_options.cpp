#include "lab/replay_options.h"

ReplaySetup ReplaySetupOf(const SimOptions& options) {
    ReplaySetup setup{};
    setup.path = options.replayPath;
    setup.process = options.process;
    setup.run = options.run;
    setup.ticksHz = options.ticksHz;
    setup.clock = options.setup.clock;
    setup.displayHz = options.setup.displayHz;
    setup.latchMs = options.setup.latchMs;
    setup.recomputeAnimation = options.recomputeAnimation;
    for (int i = 0; i < 2; ++i) {
        setup.side[i] = options.setup.side[i];
        setup.ruleGiven[i] = options.ruleGiven[i];
        setup.targetGiven[i] = options.targetGiven[i];
    }
    return setup;
}
