// The demonstration: the callbacks the host runs (through DemoCallbacks), the
// two rotors, the divider, the overlay and the cadence panel.
#pragma once

#include "gfx/font.h"
#include "gfx/texture.h"
#include "host/app.h"

extern Texture surfaceTexture;
extern Font overlayFont;

// The demonstration's callbacks with the pacers' key operations, for HostMain.
const AppCallbacks& DemoCallbacks();

// The eight overlay lines as Render prints them this frame (for tests and
// anyone who wants to check what the overlay says without reading pixels).
struct OverlayLine {
    float x;
    float y;
    const char* format;
    bool hasValue;
    double value;
};
constexpr int kOverlayLineCount = 8;
void GetOverlayLines(OverlayLine (&lines)[kOverlayLineCount]);
