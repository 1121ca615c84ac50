// What the message loop sets and the window procedure reads, in a file of
// its own so that neither calls into the other for it.
#include "host/host_internal.h"

uint8_t hostRunning = 0;
const AppCallbacks* hostApp = nullptr;
