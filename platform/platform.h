// The services the host needs from the system it runs on.
//
// One backend implements all of these, chosen when the program is linked:
//   sdl_platform.cpp       SDL2, the program on Linux and other POSIX desktops
//   win32_platform.cpp     the Windows API itself
//   headless_platform.cpp  scripted, for tests: records every call
// The SDL2 and scripted backends share one message queue (message_queue.h). The names
// follow what the host does with them, and the message model is that of a
// classic desktop window system: a window procedure receives create and
// destroy from inside the calls that make and unmake the window, everything
// else arrives through a queue that the host peeks at.
#pragma once

#include <cstddef>
#include <cstdint>

struct PlatWindow;   // the one top-level window
struct PlatSurface;  // the window's drawing surface (device context)
struct PlatContext;  // an OpenGL rendering context

// Message identifiers. The values are those of the classic desktop API so a
// backend on that API can pass its messages through unchanged.
enum : uint32_t {
    kMsgNone = 0x0000,
    kMsgCreate = 0x0001,
    kMsgDestroy = 0x0002,
    kMsgSize = 0x0005,     // lParam: client width in the low 16 bits, height in the high 16
    kMsgClose = 0x0010,    // the user or the system asks the window to close
    kMsgQuit = 0x0012,     // wParam: exit code
    kMsgKeyDown = 0x0100,  // wParam: virtual-key code
    kMsgTimer = 0x0113,    // wParam: timer identifier
};

// Virtual-key codes for the keys the host knows. Letters and digits are
// their upper-case ASCII codes.
enum : uint32_t {
    kKeyEscape = 27,
    kKeyA = 65,
    kKeyQ = 81,
    kKeyS = 83,
    kKeyW = 87,
};

struct PlatMessage {
    PlatWindow* window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

using PlatWindowProc = intptr_t (*)(PlatWindow* window, uint32_t message, uintptr_t wParam,
                                    intptr_t lParam);

// The pixel-format request, laid out field for field like the classic
// 40-byte descriptor.
struct PixelFormatRequest {
    uint16_t nSize;
    uint16_t nVersion;
    uint32_t dwFlags;
    uint8_t iPixelType;
    uint8_t cColorBits;
    uint8_t cRedBits;
    uint8_t cRedShift;
    uint8_t cGreenBits;
    uint8_t cGreenShift;
    uint8_t cBlueBits;
    uint8_t cBlueShift;
    uint8_t cAlphaBits;
    uint8_t cAlphaShift;
    uint8_t cAccumBits;
    uint8_t cAccumRedBits;
    uint8_t cAccumGreenBits;
    uint8_t cAccumBlueBits;
    uint8_t cAccumAlphaBits;
    uint8_t cDepthBits;
    uint8_t cStencilBits;
    uint8_t cAuxBuffers;
    uint8_t iLayerType;
    uint8_t bReserved;
    uint32_t dwLayerMask;
    uint32_t dwVisibleMask;
    uint32_t dwDamageMask;
};
static_assert(sizeof(PixelFormatRequest) == 40,
              "pixel-format request must keep its 40-byte layout");

enum : uint32_t {
    kPfdDrawToWindow = 0x04,
    kPfdSupportOpenGL = 0x20,
    kPfdDoubleBuffer = 0x01,
    kPfdTypeRgba = 0,
    kPfdMainPlane = 0,
};

// The display-mode request: the fields of the classic 148-byte record that
// the host fills; all others are zero.
struct DisplayModeRequest {
    uint32_t size;  // 148
    uint32_t fields;
    uint32_t bitsPerPel;
    uint32_t pelsWidth;
    uint32_t pelsHeight;
};

enum : uint32_t {
    kDmBitsPerPel = 0x00040000,
    kDmPelsWidth = 0x00080000,
    kDmPelsHeight = 0x00100000,
};

// --- process -----------------------------------------------------------------

// Colour depth of the desktop, in bits per pixel; 0 when there is no desktop.
int PlatDesktopBitsPerPixel();

// --- window --------------------------------------------------------------------

// Also brings up the window system: false when there is none to be had.
bool PlatRegisterWindowClass(const char* className, PlatWindowProc proc);
// Makes the window and delivers kMsgCreate to its procedure before returning.
// popup: a borderless window at (x, y); otherwise a decorated one at the
// system's default place. width and height are the window's outer size.
PlatWindow* PlatCreateWindow(const char* className, const char* caption, bool popup, int x, int y,
                             int width, int height);
void PlatShowWindow(PlatWindow* window);
// Delivers kMsgDestroy to the window's procedure, then unmakes the window.
void PlatDestroyWindow(PlatWindow* window);
void PlatSetCaption(PlatWindow* window, const char* text);
// Starts a periodic timer; it arrives as kMsgTimer with the identifier in wParam.
void PlatStartTimer(PlatWindow* window, uint32_t id, uint32_t periodMs);
// What happens to any message a procedure does not take (a close request
// destroys the window).
intptr_t PlatDefaultWindowProc(PlatWindow* window, uint32_t message, uintptr_t wParam,
                               intptr_t lParam);

// --- message queue -------------------------------------------------------------

// Looks at the next message without taking it. False when the queue is empty.
bool PlatPeekMessage(PlatMessage* out);
// Takes the next message. False when the queue is empty.
bool PlatTakeMessage(PlatMessage* out);
// Hands a taken message to its window's procedure.
void PlatDispatchMessage(const PlatMessage& message);
void PlatPostQuit(int exitCode);

// --- clock ---------------------------------------------------------------------

int64_t PlatCounterFrequency();
int64_t PlatCounter();
// Blocks the calling thread until the counter reaches deadline, as closely as
// the system's finest timer can (it may wake late, never on purpose early);
// returns at once for a deadline already past. Nothing else waits this way.
void PlatSleepUntil(int64_t deadline);

// --- drawing surface and rendering context -------------------------------------

PlatSurface* PlatGetSurface(PlatWindow* window);
void PlatReleaseSurface(PlatWindow* window, PlatSurface* surface);
int PlatSurfaceBitsPerPixel(PlatSurface* surface);
// Index of the closest pixel format the system has; 0 when none matches.
int PlatChoosePixelFormat(PlatSurface* surface, const PixelFormatRequest& request);
bool PlatSetPixelFormat(PlatSurface* surface, int index, const PixelFormatRequest& request);
PlatContext* PlatCreateContext(PlatSurface* surface);
// With context null, makes no context current.
bool PlatMakeCurrent(PlatSurface* surface, PlatContext* context);
bool PlatDeleteContext(PlatContext* context);
// redraw is the host's number for the frame being swapped; presentation
// reports (below) carry it back.
void PlatSwapBuffers(PlatSurface* surface, uint64_t redraw = 0);
// 0: swap at once; 1: wait for the display's refresh. Applies to the current
// context and to every context made current later. True when the driver
// took it (false with no context yet; the setting is kept all the same).
bool PlatSetSwapInterval(int interval);
void PlatSetViewport(int x, int y, int width, int height);

// --- presentation --------------------------------------------------------------

enum : uint8_t {
    kPlatShown,
    kPlatDropped,  // the compositor never put it on screen
    kPlatUnknown,    // no word came within the bound (a stalled compositor, a hidden window)
};

// What the display did with one swapped redraw. Times are on the counter
// (PlatCounter ticks).
struct PlatPresentation {
    uint64_t redraw;
    uint8_t outcome;
    int64_t swapCounter;
    int64_t displayCounter;  // shown only
    uint32_t refreshNs;      // the refresh period the display gave; 0 when none
    uint32_t flags;          // shown only: how the time was taken (kPlatPresent... below)
};

// How far a display time can be trusted, as a Wayland compositor says: the
// bits of wp_presentation's kind, with its values.
enum : uint32_t {
    kPlatPresentVsync = 0x1,         // shown at a refresh, no tearing
    kPlatPresentHwClock = 0x2,       // the time is the hardware's own
    kPlatPresentHwCompletion = 0x4,  // the hardware said when it was done
    kPlatPresentZeroCopy = 0x8,      // the buffer went to screen as it was
};

// Where display times come from: key "wayland" or "none", and a sentence.
struct PlatDisplayTimes {
    bool available;
    const char* key;
    const char* text;
};
PlatDisplayTimes PlatDisplayTimesSource();

// The refresh rate the system gives for the display the window is on, in Hz;
// 0 when it gives none.
double PlatRefreshRate();

// Moves up to capacity reports of redraws settled since the last call into
// out, oldest first; returns how many. Never blocks. Every swap made while
// display times are available is reported exactly once.
int PlatTakePresentations(PlatPresentation* out, int capacity);

// --- display mode --------------------------------------------------------------

// Switches the display to the requested mode; with request null, back to the
// desktop's own mode. True when the system accepted it.
bool PlatChangeDisplayMode(const DisplayModeRequest* request);

// --- user messages, settings and diagnostics -----------------------------------

// A modal error message with one OK button; owner may be null.
void PlatErrorBox(PlatWindow* owner, const char* text, const char* caption);
// Sets one key of a private profile (INI) file; fileName has no folder.
bool PlatWriteProfileString(const char* section, const char* key, const char* value,
                            const char* fileName);
// The debugger output channel.
void PlatDebugOutput(const char* text);

// --- data files ----------------------------------------------------------------

// Where to read a data file from: the working directory when it is there,
// else the data folder that belongs to the program. Returns fileName itself
// or a path written into buffer.
const char* PlatFindDataFile(const char* fileName, char* buffer, size_t bufferSize);
