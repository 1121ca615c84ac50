// The cadence panel (G): over each half of the window, a strip chart of that
// side's recent update intervals against its nominal 1/target line and, just
// under it on the same scale, a strip of the intervals at which the display
// showed that side's new poses, each with the rule's name or "seen" and one
// line of figures; along the bottom, a thin strip of redraw intervals and one
// of the display's own intervals, saying where those come from; above them,
// the frame limit, what its waits cost and the latencies to the screen.
#pragma once

#include "demo/live_limit.h"
#include "demo/pacing.h"
#include "demo/presentations.h"
#include "gfx/font.h"
#include "host/app.h"
#include "pacing/cadence.h"

// What the panel shows in one frame. The figures' "p99" is the rate at the
// 99th-percentile interval (OnePercentLow). Its texts and where they go are
// listed in demo/panel_parts.h.
struct CadencePanelView {
    const Cadence* cadence;
    const LiveDisplay* display;
    DisplayTimesSource source;
    const Pacer* pacers[2];  // left, right
    PaceRule rules[2];
    const char* statusLine;  // one extra line of text (vsync asked / taken); may be null
    // The frame limit: what it is (a line of text), its waits' figures, and
    // the process's CPU share of one core (negative: not known yet).
    const char* limitLine;
    const Limiter* limiter;
    double cpuPercent;
    // The frame's time, on frameSeconds' clock: when its pictures are due.
    double seconds;
};

// The panel's GL objects live as long as the context they were made in.
// OpenCadencePanel with a new context current makes them (anything the panel
// held before is taken to have gone with its context, never asked about);
// CloseCadencePanel, with that context still current, deletes them.
// Between a Close and the next Open the panel draws nothing.
void OpenCadencePanel();
void CloseCadencePanel();
bool CadencePanelOpen();

// Draws with OpenGL 1.1 and font. Its GL contract: expects the model-view
// matrix mode and leaves it; changes and puts back both matrices, the blend
// function, the texture environment mode and the pixel unpacking state; and
// leaves what Font::Print leaves, the panel being text as the overlay is
// (texturing on, the font's texture bound, blending off, depth test on).
// With a font that cannot print, it leaves those as Print would: texturing,
// depth test, blending and the texture binding as it found them. With the
// panel closed, touches nothing.
void DrawCadencePanel(const CadencePanelView& view, Font& font);

// What the panel drew in its latest frame, for measuring what it costs: the
// rectangles and the window pixels they cover (in the panel's pixels, which
// are the window's up to 1920 x 1080).
struct CadencePanelLoad {
    int rectangles;
    long pixels;
};
CadencePanelLoad CadencePanelDrawn();
