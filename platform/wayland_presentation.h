// Presentation feedback from a Wayland compositor (wp_presentation) for the
// SDL2 backend's one window. See wayland_presentation.cpp.
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct wl_display;
struct wl_surface;

// Binds wp_presentation on a queue of our own; false (nothing kept) when the
// compositor has none.
bool StartPresentationFeedback(wl_display* display, wl_surface* surface, int64_t counterFrequency);
bool PresentationFeedbackRunning();
// Whether it ran at all: after the window has gone, its run still had them.
bool PresentationFeedbackUsed();
// Right before a swap: asks for the compositor's word on the commit it makes.
void RequestPresentation(uint64_t redraw, int64_t swapCounter);
// Reads what has come, without blocking, and gives up on redraws past the
// bound; then hands out the settled reports.
int TakePresentationReports(PlatPresentation* out, int capacity, int64_t nowCounter);
// The window is going: every open redraw is given up, everything released.
void StopPresentationFeedback();
