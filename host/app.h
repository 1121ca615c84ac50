// The contract between the host and the application it runs.
//
// The host owns the window, the rendering context, the display settings, the
// client size and the frame clock; the application supplies the callbacks
// below. Everything runs on the one thread that entered HostMain.
#pragma once

#include <cstddef>
#include <cstdint>

// Display settings: fixed defaults prepared at start-up (640 x 480 at the
// desktop's depth), which PreInit may change. Only ever written out, never
// read back from the settings file.
struct DisplaySettings {
    uint8_t fullscreen;
    int32_t width;
    int32_t height;
    uint8_t bitsPerPixel;
};

extern DisplaySettings displaySettings;

// Current drawable size; follows every resize.
extern int32_t clientWidth;
extern int32_t clientHeight;

// Milliseconds since the frame clock started, low 32 bits; written before
// every Render.
extern uint32_t timeMs;

// The same moment at the counter's own resolution, in seconds since the
// frame clock started; for measuring redraws, never for pacing.
extern double frameSeconds;

// Swap interval: asked for before HostMain (vsyncAsked) or at any time while
// running (HostSetVsync); vsyncTaken says whether the driver accepted it.
// The default is no waiting for the display.
extern bool vsyncAsked;
extern bool vsyncTaken;
bool HostSetVsync(bool on);

// Every Render is followed by one swap, and both carry the redraw's number:
// 1 for the first frame, written before every Render.
extern uint64_t redrawNumber;

// When the latest swap was asked for, on frameSeconds' clock: written right
// before each swap, so during a Render it is the previous redraw's.
extern double swapSeconds;

// What the display did with each swapped redraw, where the platform can tell
// (Wayland presentation feedback). Every swap made while display times are
// available gets exactly one record, sooner or later: shown, dropped by the
// compositor, or unknown when no word came within a bound. The contract's own
// enum, since the host sees nothing of the engine; the display's account in
// the application turns it into the engine's FrameFate, once.
enum PresentOutcome : uint8_t {
    kPresentShown,
    kPresentDropped,
    kPresentUnknown,
};

struct Presentation {
    uint64_t redraw;  // the redraw's number (redrawNumber at its Render)
    PresentOutcome outcome;
    double swapSeconds;     // when the swap was asked for, on frameSeconds' clock
    double displaySeconds;  // when it reached the screen, same clock; shown only
    double refreshSeconds;  // the display's refresh period; 0 when not given
    uint32_t flags;  // shown only: the compositor's word on how the time was taken
                     // (wp_presentation's kind bits: 1 vsync, 2 hw_clock,
                     // 4 hw_completion, 8 zero_copy); 0 otherwise
};

// Where display times come from: a short key for scripts ("wayland", or
// "none") and a sentence for people ("Wayland presentation times", or
// "not available on X11 without Present"). Known once the window exists.
struct DisplayTimesSource {
    bool available;
    const char* key;
    const char* text;
};
DisplayTimesSource HostDisplayTimesSource();

// The refresh rate the system reports for the window's display, in Hz; 0
// when it reports none. Known once the window exists.
double HostRefreshRate();

// The frame clock read now, on frameSeconds' clock.
double HostClockSeconds();
// Blocks until the frame clock reads at least seconds, with the system's
// finest sleep; it may wake late. Returns at once for a time already past.
void HostSleepUntil(double seconds);

// Moves up to capacity records of presentations completed since the last
// call into out, oldest first; returns how many. Never blocks.
int HostTakePresentations(Presentation* out, int capacity);

// Where to read a data file from: the working directory when it is there,
// else the data folder that belongs to the program. Returns fileName itself
// or a path written into buffer.
const char* FindDataFile(const char* fileName, char* buffer, size_t bufferSize);

// The application's side of the contract. The host calls these and nothing
// else of the application; a test host can hand in its own table.
struct AppCallbacks {
    bool (*PreInit)();                // before the window class; false aborts
    const char* (*GetWindowTitle)();  // the window's initial caption
    bool (*Init)();                   // context current, clock started; false aborts
    bool (*Render)();                 // one frame; false closes the window
    void (*Shutdown)();               // after the loop, context gone (see ReleaseContext)
    const char* (*GetStatusText)();   // caption text, every 500 ms while running

    // Keyboard operations: Q, A, W and S.
    void (*RaiseLeftTarget)();
    void (*LowerLeftTarget)();
    void (*RaiseRightTarget)();
    void (*LowerRightTarget)();

    // Every other key but Escape, by virtual-key code (upper-case ASCII for
    // letters and digits); may be null.
    void (*KeyDown)(uint32_t virtualKey);

    // Just before the rendering context goes, with it still current: where
    // the application gives up its GL objects, since Shutdown comes after,
    // without a context. May be null.
    void (*ReleaseContext)() = nullptr;

    // The two places a frame may be held back, both may be null:
    // BeforeFrame before the frame clock is read for Render, BeforeSwap after
    // Render, before the swap is timed and made. A frame runs: BeforeFrame,
    // clock read, Render, BeforeSwap, swap.
    void (*BeforeFrame)() = nullptr;
    void (*BeforeSwap)() = nullptr;
};

// The program's entry into its own logic. commandLine is the text after the
// program's name. Returns the process exit code: 0 after a normal run, 1 when
// start-up failed (the user has been told why).
int HostMain(const char* commandLine, const AppCallbacks& app);
