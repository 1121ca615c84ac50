// The swap interval: asked for by the program and by the window procedure
// when the context is made.
#include "host/host_internal.h"

bool HostSetVsync(bool on) {
    vsyncAsked = on;
    vsyncTaken = PlatSetSwapInterval(on ? 1 : 0) && on;
    return vsyncTaken;
}
