// A scripted platform for tests: a message queue the test fills, a clock the
// test sets, and a record of everything the host asked of the platform. It
// never fails unless told to (Options).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace headless {

struct ErrorBox {
    bool owned;  // shown with the window as its owner
    std::string text;
    std::string caption;
};

struct ProfileWrite {
    std::string section;
    std::string key;
    std::string value;
    std::string fileName;
};

struct Viewport {
    int x, y, width, height;
};

struct Record {
    // Every call, in order, by name ("CreateContext", "Swap", ...); calls with
    // an argument worth seeing carry it after a colon ("Caption:text").
    std::vector<std::string> calls;
    std::vector<ErrorBox> errorBoxes;
    std::vector<std::string> captions;
    std::vector<DisplayModeRequest> displayModes;  // size 0 marks a restore
    std::vector<Viewport> viewports;
    std::vector<ProfileWrite> profileWrites;
    std::vector<PixelFormatRequest> pixelFormats;  // as passed to the choice
    std::string debugOutput;
    int swaps = 0;
    int sleeps = 0;              // PlatSleepUntil calls
    int64_t lastSleepUntil = 0;  // the latest one's deadline
};

// Behaviour switches a test may set before running the host.
struct Options {
    int desktopBitsPerPixel = 32;
    bool failRegisterClass = false;
    bool failCreateWindow = false;  // after the create event has run
    int chosenPixelFormat = 7;
    int64_t counterFrequency = 1000000;
    bool failProfileWrite = false;  // as an unwritable settings folder does
    bool swapIntervalTaken = true;
    int64_t wakeLateTicks = 0;  // how far past its deadline each sleep wakes
    int64_t ticksPerRead = 0;   // how far each reading moves the counter on (a spin ends)
    double refreshRate = 60.0;  // the display's, as the system gives it
};

// Clears the queue, the record and the clock, and sets the options.
void Reset(const Options& options = Options());
const Record& GetRecord();

// Queues a message for the window (delivered when the host takes it).
void Post(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);
void PostKey(uint32_t virtualKey);

void SetCounter(int64_t counter);
int64_t Counter();
// Moves the counter on by whole milliseconds of the configured frequency.
void AdvanceMs(int64_t ms);

// The one window, or null when none exists.
PlatWindow* Window();

// Display times, made up: with them on, each swap is remembered (its
// redraw number and the counter at the swap) and reports queued with
// Present come out of PlatTakePresentations.
void SetDisplayTimes(bool available);
// The redraw numbers swapped so far, in order.
const std::vector<uint64_t>& SwappedRedraws();
void Present(const PlatPresentation& report);

// A modelled display in place of Present's queue, for a test: with display
// times on, told of each swap (the counter as the swap is made), and asked
// for the reports due whenever the host takes them (the counter then).
struct Compositor {
    void (*swapped)(uint64_t redraw, int64_t counter);
    int (*take)(PlatPresentation* out, int capacity, int64_t counter);
};
// Null: Present's queue again. Reset clears it.
void SetCompositor(const Compositor* compositor);

}  // namespace headless
