// The contract between the host and the application it runs.
//
// The host owns the window, the rendering context, the display settings, the
// client size and the frame clock; the application supplies the callbacks
// below. Everything runs on the one thread that entered HostMain.
#pragma once

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

// The application's side of the contract. The host calls these and nothing
// else of the application; a test host can hand in its own table.
struct AppCallbacks {
    bool (*PreInit)();                // before the window class; false aborts
    const char* (*GetWindowTitle)();  // the window's initial caption
    bool (*Init)();                   // context current, clock started; false aborts
    bool (*Render)();                 // one frame; false closes the window
    void (*Shutdown)();               // after the loop, context gone
    const char* (*GetStatusText)();   // caption text, every 500 ms while running

    // Keyboard operations: Q, A, W and S.
    void (*RaiseLeftTarget)();
    void (*LowerLeftTarget)();
    void (*RaiseRightTarget)();
    void (*LowerRightTarget)();
};

// The program's entry into its own logic. commandLine is the text after the
// program's name. Returns the process exit code: 0 after a normal run, 1 when
// start-up failed (the user has been told why).
int HostMain(const char* commandLine, const AppCallbacks& app);
