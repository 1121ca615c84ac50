// What the host's own files share with each other (and with its tests).
#pragma once

#include <cstdint>

#include "host/app.h"
#include "platform/platform.h"

// Identifier and period of the caption timer.
constexpr uint32_t kCaptionTimerId = 123;
constexpr uint32_t kCaptionTimerPeriodMs = 500;

// Set while the message loop runs; the caption timer looks at it.
extern uint8_t hostRunning;
// The application the host is running; set by HostMain.
extern const AppCallbacks* hostApp;

intptr_t WndProc(PlatWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

bool EnterFullscreen();
void LeaveFullscreen();
void SetupPixelFormat(PlatSurface* surface);
void ResizeViewport(int32_t width, int32_t height);

void SaveSettings();
void DebugPrint(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Milliseconds between two counter readings, truncated, without the
// intermediate product that overflows 64 bits on a fine-grained counter.
int64_t ElapsedMilliseconds(int64_t now, int64_t start, int64_t frequency);

// Forgets the pixel-format request built by the first window.
void ResetPixelFormatState();

// Starts the frame clock at the counter's present reading: frameSeconds,
// swapSeconds and HostClockSeconds count from here. HostMain does it once
// the window is shown; a benchmark that drives the application without the
// host does it itself.
void StartFrameClock();

// Back to the state of a process that has not run the host yet (tests run
// the host many times in one process).
void ResetHostState();
