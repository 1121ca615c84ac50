// The cadence panel (G): over each half of the window, a strip chart of that
// side's recent update intervals against its nominal 1/target line, the
// rule's name and one line of figures; along the bottom, a thin strip of
// redraw intervals.
#pragma once

#include "pacing/cadence.h"
#include "gfx/font.h"

// Draws with OpenGL 1.1 and font, in the model-view matrix mode, and leaves
// the state as it found it apart from what Font::Print leaves (texturing on,
// the font's texture bound, blending off, depth test on). statusLine is one
// extra line of text (vsync asked / taken), may be null.
void DrawCadencePanel(const Cadence& cadence, Font& font, const Pacer& left, PaceRule leftRule,
                      const Pacer& right, PaceRule rightRule, const char* statusLine);
