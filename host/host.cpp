// Entry, start-up sequence and the message loop.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "host/host_internal.h"

namespace {

const char kWindowClassName[] = "Vektorum_Class";

int64_t counterFrequency = 0;
int64_t startCount = 0;

// A start-up failure: the user sees a message box, and since a box may have
// nowhere to appear (no display), the same text goes to standard error.
int FailStartup(PlatWindow* owner, const char* text, const char* caption) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    PlatErrorBox(owner, text, caption);
    return 1;
}

void ApplyCommandLine(const char* commandLine) {
    if (commandLine == nullptr) {
        return;
    }
    // "-fullscreen=0" contains "-fullscreen", so it is looked for second and wins.
    if (std::strstr(commandLine, "-fullscreen") != nullptr) {
        displaySettings.fullscreen = 1;
    }
    if (std::strstr(commandLine, "-fullscreen=0") != nullptr) {
        displaySettings.fullscreen = 0;
    }
}

double CounterSeconds(int64_t count) {
    return counterFrequency > 0
               ? static_cast<double>(count - startCount) / static_cast<double>(counterFrequency)
               : 0.0;
}

void RunFrame(PlatWindow* window) {
    if (hostApp->BeforeFrame != nullptr)
        hostApp->BeforeFrame();
    const int64_t now = PlatCounter();
    timeMs = static_cast<uint32_t>(ElapsedMilliseconds(now, startCount, counterFrequency));
    frameSeconds = CounterSeconds(now);
    ++redrawNumber;
    PlatSurface* surface = PlatGetSurface(window);
    if (!hostApp->Render()) {
        // The destroy event runs inside this call and posts the quit message;
        // this frame is still swapped.
        PlatDestroyWindow(window);
    }
    if (hostApp->BeforeSwap != nullptr)
        hostApp->BeforeSwap();
    swapSeconds = CounterSeconds(PlatCounter());
    PlatSwapBuffers(surface, redrawNumber);
    PlatReleaseSurface(window, surface);
}

}  // namespace

int64_t ElapsedMilliseconds(int64_t now, int64_t start, int64_t frequency) {
    if (frequency <= 0) {
        return 0;
    }
    const int64_t ticks = now - start;
    // Whole seconds and the remainder apart: ticks * 1000 would overflow after
    // about 106 days on a nanosecond counter. Both parts truncate toward zero
    // like the single division they replace.
    return (ticks / frequency) * 1000 + ((ticks % frequency) * 1000) / frequency;
}

void ResetHostState() {
    displaySettings = {0, 0, 0, 0};
    clientWidth = 640;
    clientHeight = 480;
    timeMs = 0;
    frameSeconds = 0.0;
    redrawNumber = 0;
    swapSeconds = 0.0;
    vsyncAsked = false;
    vsyncTaken = false;
    hostRunning = 0;
    hostApp = nullptr;
    counterFrequency = 0;
    startCount = 0;
    ResetPixelFormatState();
}

void StartFrameClock() {
    counterFrequency = PlatCounterFrequency();
    startCount = PlatCounter();
}

const char* FindDataFile(const char* fileName, char* buffer, size_t bufferSize) {
    return PlatFindDataFile(fileName, buffer, bufferSize);
}

int HostMain(const char* commandLine, const AppCallbacks& app) {
    hostApp = &app;

    hostRunning = 0;
    displaySettings.width = 640;
    displaySettings.height = 480;
    displaySettings.bitsPerPixel = static_cast<uint8_t>(PlatDesktopBitsPerPixel());
    displaySettings.fullscreen = 1;
    ApplyCommandLine(commandLine);

    if (!app.PreInit()) {
        return FailStartup(
            nullptr, "App returned false on PreInit(), we shouldn't really continue.", "Error");
    }

    clientWidth = displaySettings.width;
    clientHeight = displaySettings.height;

    if (!PlatRegisterWindowClass(kWindowClassName, WndProc)) {
        return FailStartup(nullptr,
                           "Error creating the window class, right before creating the window.",
                           "Fatal Blow");
    }

    const bool popup = displaySettings.fullscreen != 0;
    PlatWindow* window = PlatCreateWindow(kWindowClassName, app.GetWindowTitle(), popup, 0, 0,
                                          displaySettings.width, displaySettings.height);
    if (window == nullptr) {
        // The create event may already have switched the display mode.
        if (displaySettings.fullscreen) {
            LeaveFullscreen();
        }
        return FailStartup(nullptr, "App failed to create the rendering window.", "Fatal Blow");
    }

    PlatShowWindow(window);

    StartFrameClock();

    if (!app.Init()) {
        if (displaySettings.fullscreen) {
            LeaveFullscreen();
        }
        return FailStartup(window, "App failed to initialize.", "Fatal Blow");
    }

    PlatStartTimer(window, kCaptionTimerId, kCaptionTimerPeriodMs);
    hostRunning = 1;

    PlatMessage message = {nullptr, kMsgNone, 0, 0};
    if (!PlatPeekMessage(&message)) {
        message.message = kMsgNone;
    }
    while (message.message != kMsgQuit) {
        if (PlatTakeMessage(&message)) {
            if (message.message != kMsgQuit) {
                PlatDispatchMessage(message);
            }
        } else {
            RunFrame(window);
        }
    }

    hostRunning = 0;
    app.Shutdown();
    return static_cast<int>(message.wParam);
}

DisplayTimesSource HostDisplayTimesSource() {
    const PlatDisplayTimes source = PlatDisplayTimesSource();
    return DisplayTimesSource{source.available, source.key, source.text};
}

double HostRefreshRate() {
    return PlatRefreshRate();
}

double HostClockSeconds() {
    return CounterSeconds(PlatCounter());
}

void HostSleepUntil(double seconds) {
    if (counterFrequency <= 0)
        return;
    const double ticks = seconds * static_cast<double>(counterFrequency);
    // A time beyond the counter's range is no time to sleep to.
    if (!(ticks < 9.0e18 && ticks > -9.0e18))
        return;
    // Up to the next tick: never early, so that a spin after it has nothing
    // left to wait for.
    PlatSleepUntil(startCount + static_cast<int64_t>(std::ceil(ticks)));
}

// The contract's word for a redraw's fate is the platform's, value for value.
static_assert(int{kPresentShown} == int{kPlatShown} && int{kPresentDropped} == int{kPlatDropped} &&
                  int{kPresentUnknown} == int{kPlatUnknown},
              "the contract's fates mirror the platform's");

int HostTakePresentations(Presentation* out, int capacity) {
    PlatPresentation reports[64];
    int n = 0;
    while (n < capacity) {
        const int room = capacity - n < 64 ? capacity - n : 64;
        const int got = PlatTakePresentations(reports, room);
        for (int i = 0; i < got; ++i) {
            const PlatPresentation& r = reports[i];
            Presentation& p = out[n++];
            p.redraw = r.redraw;
            p.outcome = r.outcome <= kPlatUnknown ? static_cast<PresentOutcome>(r.outcome)
                                                  : kPresentUnknown;
            // Onto frameSeconds' clock: the counter from the frame clock's start.
            p.swapSeconds = CounterSeconds(r.swapCounter);
            p.displaySeconds = r.outcome == kPlatShown ? CounterSeconds(r.displayCounter) : 0.0;
            p.refreshSeconds = static_cast<double>(r.refreshNs) * 1e-9;
            p.flags = r.outcome == kPlatShown ? r.flags : 0;
        }
        if (got < room)
            break;
    }
    return n;
}
