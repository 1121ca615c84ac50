// The host's shared values, apart from the host itself: the pacing code reads
// timeMs, and the simulator links that code without any host around it.
#include "host/app.h"

DisplaySettings displaySettings = {0, 0, 0, 0};
int32_t clientWidth = 640;
int32_t clientHeight = 480;
uint32_t timeMs = 0;
double frameSeconds = 0.0;
bool vsyncAsked = false;
bool vsyncTaken = false;
uint64_t redrawNumber = 0;
double swapSeconds = 0.0;
