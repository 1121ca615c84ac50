// The platform on SDL2, for the program on Linux and other POSIX desktops.
// Pairs with the shared message queue (message_queue.h) and the profile-file
// writer (profile_file.h).
//
// [X] One window, its events as desktop messages, the caption, message boxes.
// [X] GL context, buffer swap (flushed, so an offscreen driver never piles
//     up frames), swap interval.
// [X] Clock: CLOCK_MONOTONIC in nanoseconds, the clock clock_nanosleep sleeps
//     on (SDL's counter is the raw one, which an absolute sleep cannot name);
//     sleeps to an absolute time with the thread's timer slack at 1 ns.
// [X] Display mode: the closest SDL mode of the asked size, or the desktop.
// [X] Settings file under $XDG_CONFIG_HOME (or ~/.config); debugger channel
//     is standard error.
// [~] Pixel format: SDL fixes it when the native window is made, so that is
//     done when the host first asks for a format (inside its create event,
//     after any display-mode change). The "index" is the 1-based number of
//     the candidate that worked, not a system format identifier.
// [X] Display times on Wayland: the compositor's presentation feedback
//     (wayland_presentation.cpp), when built with the Wayland files.
// [ ] Display times on X11: none (Mesa's software path does not present
//     through the Present extension); the source says so.
// [~] Releasing a surface does nothing: SDL has no device contexts.
// [ ] Only one window at a time; no window class beyond its procedure.
#include <sys/stat.h>
#include <time.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <SDL.h>
#include <SDL_opengl.h>
#include <SDL_syswm.h>

#include "platform/data_path.h"
#include "platform/message_queue.h"
#include "platform/platform.h"
#include "platform/profile_file.h"
#ifdef TEMPOLA_WAYLAND
#include "platform/wayland_presentation.h"
#endif

struct PlatWindow {
    SDL_Window* sdl;
    SDL_GLContext madeContext;  // made with the window, not yet handed out
    PlatWindowProc proc;
    std::string caption;
    bool popup;
    int x, y, width, height;
    bool alive;
};
struct PlatSurface {
    PlatWindow* window;
};
struct PlatContext {
    SDL_GLContext gl;
};

namespace {

constexpr int64_t kNanosecondsPerSecond = 1000000000;

bool videoUp = false;
PlatWindowProc registeredProc = nullptr;
PlatWindow theWindow = {};
PlatSurface theSurface = {&theWindow};
PlatContext theContext = {nullptr};

MessageQueue queue;

int swapInterval = 0;

bool modeWanted = false;
SDL_DisplayMode wantedMode = {};

// Display times come from the compositor where it gives them: Wayland's
// presentation feedback. TEMPOLA_NO_PRESENTATION=1 leaves them off (for
// measuring what asking costs).
void StartDisplayTimes(SDL_Window* sdl) {
#ifdef TEMPOLA_WAYLAND
    const char* off = std::getenv("TEMPOLA_NO_PRESENTATION");
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if ((off == nullptr || std::strcmp(off, "1") != 0) && SDL_GetWindowWMInfo(sdl, &info) &&
        info.subsystem == SDL_SYSWM_WAYLAND) {
        StartPresentationFeedback(info.info.wl.display, info.info.wl.surface,
                                  PlatCounterFrequency());
    }
#else
    (void)sdl;
#endif
}

void StopDisplayTimes() {
#ifdef TEMPOLA_WAYLAND
    StopPresentationFeedback();
#endif
}

bool EnsureVideo() {
    static bool noDisplay = false;
    if (videoUp) {
        return true;
    }
    if (noDisplay) {
        return false;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "tempola: no window system: %s\n", SDL_GetError());
        return false;
    }
    // When no display can be opened, SDL quietly falls back to a driver that
    // draws into memory, and the program would run on with no window for
    // anyone to see or close. Those drivers are for tests that ask for them.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (driver != nullptr &&
        (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0) &&
        (asked == nullptr || SDL_strstr(asked, driver) == nullptr)) {
        std::fprintf(stderr, "tempola: no display to open a window on (is DISPLAY set?)\n");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        noDisplay = true;
        return false;
    }
    videoUp = true;
    return true;
}

void ApplyDisplayMode(PlatWindow* w) {
    if (w->sdl == nullptr) {
        return;
    }
    if (modeWanted) {
        if (SDL_SetWindowDisplayMode(w->sdl, &wantedMode) == 0) {
            SDL_SetWindowFullscreen(w->sdl, SDL_WINDOW_FULLSCREEN);
        }
    } else if (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_FULLSCREEN) {
        SDL_SetWindowFullscreen(w->sdl, 0);
    }
}

void ColourBits(int colourBits, int* red, int* green, int* blue) {
    if (colourBits >= 24) {
        *red = *green = *blue = 8;
    } else if (colourBits >= 16) {
        *red = 5;
        *green = 6;
        *blue = 5;
    } else {
        *red = *green = *blue = 0;
    }
}

// Makes the native window and a context with one candidate format. Both
// must succeed: on some drivers the window takes any format and only the
// context refuses it.
bool TryFormat(PlatWindow* w, int colourBits, int depthBits) {
    int r, g, b;
    ColourBits(colourBits, &r, &g, &b);
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, r);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, g);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, b);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    flags |= w->popup ? SDL_WINDOW_BORDERLESS : SDL_WINDOW_RESIZABLE;
    const int x = w->popup ? w->x : SDL_WINDOWPOS_UNDEFINED;
    const int y = w->popup ? w->y : SDL_WINDOWPOS_UNDEFINED;
    SDL_Window* sdl = SDL_CreateWindow(w->caption.c_str(), x, y, w->width, w->height, flags);
    if (sdl == nullptr) {
        return false;
    }
    SDL_GLContext gl = SDL_GL_CreateContext(sdl);
    if (gl == nullptr) {
        SDL_DestroyWindow(sdl);
        return false;
    }
    SDL_GL_MakeCurrent(sdl, nullptr);
    w->sdl = sdl;
    w->madeContext = gl;
    StartDisplayTimes(sdl);
    ApplyDisplayMode(w);
    return true;
}

// Tries the request first, then the other usual depth buffers nearest first,
// then any format at all; returns the 1-based number of the candidate that
// worked, 0 for none. A depth the driver lacks never fails the window alone.
int MakeNativeWindow(PlatWindow* w, int colourBits, int depthBits) {
    int candidates[5] = {depthBits, 32, 24, 16, 0};
    std::sort(candidates + 1, candidates + 5, [depthBits](int a, int b) {
        const int da = std::abs(a - depthBits);
        const int db = std::abs(b - depthBits);
        return da != db ? da < db : a < b;
    });
    int index = 0;
    for (int i = 0; i < 5; ++i) {
        if (i > 0 && candidates[i] == depthBits) {
            continue;
        }
        ++index;
        if (TryFormat(w, colourBits, candidates[i])) {
            return index;
        }
    }
    ++index;
    return TryFormat(w, 0, 0) ? index : 0;
}

uint32_t VirtualKey(const SDL_Keysym& key) {
    const SDL_Keycode k = key.sym;
    if (k >= SDLK_a && k <= SDLK_z) {
        return static_cast<uint32_t>('A' + (k - SDLK_a));
    }
    if (k >= SDLK_0 && k <= SDLK_9) {
        return static_cast<uint32_t>('0' + (k - SDLK_0));
    }
    switch (k) {
    case SDLK_ESCAPE: return 27;
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN: return 13;
    case SDLK_SPACE: return 32;
    case SDLK_LEFT: return 37;
    case SDLK_UP: return 38;
    case SDLK_RIGHT: return 39;
    case SDLK_DOWN: return 40;
    default: break;
    }
    if (k >= SDLK_F1 && k <= SDLK_F12) {
        return static_cast<uint32_t>(112 + (k - SDLK_F1));
    }
    return 0;
}

// The drawable's size as a size message: width low, height high.
PlatMessage SizeMessage(PlatWindow* w) {
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(w->sdl, &width, &height);
    const uint32_t packed =
        (static_cast<uint32_t>(height & 0xFFFF) << 16) | static_cast<uint32_t>(width & 0xFFFF);
    return {w, kMsgSize, 0, static_cast<intptr_t>(packed)};
}

// Moves what SDL has seen into our queue, in the host's terms.
void PumpEvents() {
    if (!videoUp) {
        return;
    }
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        PlatWindow* w = theWindow.alive ? &theWindow : nullptr;
        if (w == nullptr) {
            continue;
        }
        switch (e.type) {
        case SDL_QUIT:  // also what SIGINT and SIGTERM become
            QueuePost(queue, {w, kMsgClose, 0, 0});
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
                QueuePost(queue, {w, kMsgClose, 0, 0});
            } else if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED && w->sdl != nullptr) {
                QueuePost(queue, SizeMessage(w));
            }
            break;
        case SDL_KEYDOWN:  // auto-repeats included
            QueuePost(queue, {w, kMsgKeyDown, VirtualKey(e.key.keysym), 0});
            break;
        default: break;
        }
    }
}

}  // namespace

bool NextQueuedMessage(PlatMessage* out, bool take) {
    if (queue.posted.empty()) {
        PumpEvents();
    }
    // The caption timer is made here, on the loop's own thread, when nothing
    // else is waiting: the same place a desktop timer message has.
    return QueueNext(queue, out, take, PlatCounter(),
                     theWindow.alive ? &theWindow : nullptr);
}

int PlatDesktopBitsPerPixel() {
    if (!EnsureVideo()) {
        return 0;
    }
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        return 0;
    }
    // Bytes, not significant bits: a 24-bit colour desktop stores 32 bits a pixel.
    return SDL_BYTESPERPIXEL(mode.format) * 8;
}

bool PlatRegisterWindowClass(const char*, PlatWindowProc proc) {
    if (!EnsureVideo()) {
        return false;
    }
    registeredProc = proc;
    return true;
}

PlatWindow* PlatCreateWindow(const char*, const char* caption, bool popup, int x, int y, int width,
                             int height) {
    if (registeredProc == nullptr || theWindow.alive) {
        return nullptr;
    }
    theWindow = {};
    theWindow.proc = registeredProc;
    theWindow.caption = caption != nullptr ? caption : "";
    theWindow.popup = popup;
    theWindow.x = x;
    theWindow.y = y;
    theWindow.width = width;
    theWindow.height = height;
    theWindow.alive = true;
    theWindow.proc(&theWindow, kMsgCreate, 0, 0);
    if (theWindow.sdl == nullptr) {
        // The host never asked for a pixel format: make the window with any.
        MakeNativeWindow(&theWindow, 0, 0);
    }
    if (theWindow.sdl == nullptr) {
        theWindow.alive = false;
        modeWanted = false;
        return nullptr;
    }
    // As on the desktop, the first size message arrives before creation returns.
    PlatDispatchMessage(SizeMessage(&theWindow));
    return &theWindow;
}

void PlatShowWindow(PlatWindow* w) {
    if (w != nullptr && w->sdl != nullptr) {
        SDL_ShowWindow(w->sdl);
        SDL_RaiseWindow(w->sdl);
    }
}

void PlatDestroyWindow(PlatWindow* w) {
    if (w == nullptr || !w->alive) {
        return;
    }
    w->proc(w, kMsgDestroy, 0, 0);
    w->alive = false;
    QueueStopTimer(queue);
    if (w->madeContext != nullptr) {
        SDL_GL_DeleteContext(w->madeContext);
        w->madeContext = nullptr;
    }
    StopDisplayTimes();
    if (w->sdl != nullptr) {
        SDL_DestroyWindow(w->sdl);
        w->sdl = nullptr;
    }
    // Nothing queued for the window matters once it is gone.
    QueueDropPosted(queue);
}

void PlatSetCaption(PlatWindow* w, const char* text) {
    if (w != nullptr && w->sdl != nullptr) {
        SDL_SetWindowTitle(w->sdl, text);
    }
}

void PlatStartTimer(PlatWindow*, uint32_t id, uint32_t periodMs) {
    const int64_t period = static_cast<int64_t>(PlatCounterFrequency() * periodMs / 1000);
    QueueStartTimer(queue, id, period, PlatCounter());
}

intptr_t PlatDefaultWindowProc(PlatWindow* w, uint32_t message, uintptr_t, intptr_t) {
    if (message == kMsgClose) {
        PlatDestroyWindow(w);
    }
    return 0;
}

void PlatDispatchMessage(const PlatMessage& m) {
    if (m.window != nullptr && m.window->alive) {
        m.window->proc(m.window, m.message, m.wParam, m.lParam);
    }
}

void PlatPostQuit(int exitCode) {
    QueuePostQuit(queue, exitCode);
}

int64_t PlatCounterFrequency() {
    return kNanosecondsPerSecond;
}

int64_t PlatCounter() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
}

void PlatSleepUntil(int64_t deadline) {
    // The kernel lets a sleeper's wake drift by the thread's timer slack
    // (50 us by default) to batch wake-ups; a limiter wants the least.
    // Set on the first sleep, so a program that never sleeps is untouched.
    static bool slackSet = false;
    if (!slackSet) {
        slackSet = true;
#ifdef __linux__
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
    }
    const timespec at = {static_cast<time_t>(deadline / kNanosecondsPerSecond),
                         static_cast<long>(deadline % kNanosecondsPerSecond)};
    if (deadline <= 0)
        return;
    // A signal cuts the sleep short; the deadline is absolute, so sleep again.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
}

PlatSurface* PlatGetSurface(PlatWindow* w) {
    return w == &theWindow ? &theSurface : nullptr;
}

void PlatReleaseSurface(PlatWindow*, PlatSurface*) {}

int PlatSurfaceBitsPerPixel(PlatSurface* s) {
    if (s != nullptr && s->window->sdl != nullptr) {
        const Uint32 format = SDL_GetWindowPixelFormat(s->window->sdl);
        if (format != SDL_PIXELFORMAT_UNKNOWN) {
            return SDL_BYTESPERPIXEL(format) * 8;
        }
    }
    return PlatDesktopBitsPerPixel();
}

int PlatChoosePixelFormat(PlatSurface* s, const PixelFormatRequest& request) {
    if (s == nullptr || !s->window->alive) {
        return 0;
    }
    PlatWindow* w = s->window;
    if (w->sdl != nullptr) {
        return 1;  // the format was fixed when the native window was made
    }
    return MakeNativeWindow(w, request.cColorBits, request.cDepthBits);
}

bool PlatSetPixelFormat(PlatSurface* s, int index, const PixelFormatRequest&) {
    return s != nullptr && s->window->sdl != nullptr && index > 0;
}

PlatContext* PlatCreateContext(PlatSurface* s) {
    if (s == nullptr || s->window->sdl == nullptr || theContext.gl != nullptr) {
        return nullptr;
    }
    PlatWindow* w = s->window;
    if (w->madeContext != nullptr) {
        theContext.gl = w->madeContext;
        w->madeContext = nullptr;
    } else {
        theContext.gl = SDL_GL_CreateContext(w->sdl);
    }
    return theContext.gl != nullptr ? &theContext : nullptr;
}

bool PlatMakeCurrent(PlatSurface* s, PlatContext* c) {
    if (s == nullptr || s->window->sdl == nullptr) {
        return false;
    }
    if (c == nullptr) {
        return SDL_GL_MakeCurrent(s->window->sdl, nullptr) == 0;
    }
    if (SDL_GL_MakeCurrent(s->window->sdl, c->gl) != 0) {
        return false;
    }
    // No waiting for the display unless asked: frames come as fast as the
    // loop can draw.
    SDL_GL_SetSwapInterval(swapInterval);
    return true;
}

bool PlatSetSwapInterval(int interval) {
    swapInterval = interval;
    return theContext.gl != nullptr && SDL_GL_SetSwapInterval(interval) == 0;
}

bool PlatDeleteContext(PlatContext* c) {
    if (c == nullptr || c->gl == nullptr) {
        return false;
    }
    SDL_GL_DeleteContext(c->gl);
    c->gl = nullptr;
    return true;
}

void PlatSwapBuffers(PlatSurface* s, uint64_t redraw) {
    if (s != nullptr && s->window->sdl != nullptr && theContext.gl != nullptr) {
#ifdef TEMPOLA_WAYLAND
        // Immediately before the swap: the swap's commit is the next one.
        RequestPresentation(redraw, PlatCounter());
#else
        (void)redraw;
#endif
        SDL_GL_SwapWindow(s->window->sdl);
        glFlush();
    }
}

PlatDisplayTimes PlatDisplayTimesSource() {
#ifdef TEMPOLA_WAYLAND
    if (PresentationFeedbackUsed()) {
        return PlatDisplayTimes{true, "wayland", "Wayland presentation times"};
    }
#endif
    const char* driver = videoUp ? SDL_GetCurrentVideoDriver() : nullptr;
    if (driver != nullptr && std::strcmp(driver, "x11") == 0) {
        return PlatDisplayTimes{false, "none", "not available on X11 without Present"};
    }
    if (driver != nullptr && std::strcmp(driver, "wayland") == 0) {
        return PlatDisplayTimes{false, "none", "not available: no presentation feedback"};
    }
    return PlatDisplayTimes{false, "none", "not available on this platform"};
}

double PlatRefreshRate() {
    if (theWindow.sdl == nullptr)
        return 0.0;
    const int index = SDL_GetWindowDisplayIndex(theWindow.sdl);
    SDL_DisplayMode mode;
    if (index < 0 || SDL_GetCurrentDisplayMode(index, &mode) != 0 || mode.refresh_rate <= 0)
        return 0.0;
    return static_cast<double>(mode.refresh_rate);
}

int PlatTakePresentations(PlatPresentation* out, int capacity) {
#ifdef TEMPOLA_WAYLAND
    return TakePresentationReports(out, capacity,
                                   PlatCounter());
#else
    (void)out;
    (void)capacity;
    return 0;
#endif
}

void PlatSetViewport(int x, int y, int width, int height) {
    if (theContext.gl != nullptr) {
        glViewport(x, y, width, height);
    }
}

bool PlatChangeDisplayMode(const DisplayModeRequest* request) {
    if (request == nullptr) {
        modeWanted = false;
        if (theWindow.alive) {
            ApplyDisplayMode(&theWindow);
        }
        return true;
    }
    if (!EnsureVideo()) {
        return false;
    }
    SDL_DisplayMode want = {};
    want.w = static_cast<int>(request->pelsWidth);
    want.h = static_cast<int>(request->pelsHeight);
    SDL_DisplayMode closest;
    if (SDL_GetClosestDisplayMode(0, &want, &closest) == nullptr || closest.w != want.w ||
        closest.h != want.h) {
        return false;  // the desktop stays as it is
    }
    if ((request->fields & kDmBitsPerPel) != 0 &&
        static_cast<uint32_t>(SDL_BYTESPERPIXEL(closest.format) * 8) != request->bitsPerPel &&
        static_cast<uint32_t>(SDL_BITSPERPIXEL(closest.format)) != request->bitsPerPel) {
        return false;
    }
    wantedMode = closest;
    modeWanted = true;
    if (theWindow.alive) {
        ApplyDisplayMode(&theWindow);
    }
    return true;
}

void PlatErrorBox(PlatWindow* owner, const char* text, const char* caption) {
    SDL_Window* parent = (owner != nullptr) ? owner->sdl : nullptr;
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, parent);
}

bool PlatWriteProfileString(const char* section, const char* key, const char* value,
                            const char* fileName) {
    char path[4096];
    if (!ProfilePath(fileName, path, sizeof path)) {
        return false;
    }
    // The configuration folder may not exist yet on a fresh account.
    char* slash = std::strrchr(path, '/');
    if (slash != nullptr && slash != path) {
        *slash = '\0';
        if (mkdir(path, 0700) != 0 && errno != EEXIST) {
            return false;
        }
        *slash = '/';
    }
    return WriteProfileString(path, section, key, value);
}

void PlatDebugOutput(const char* text) {
    std::fputs(text, stderr);
    std::fflush(stderr);
}

const char* PlatFindDataFile(const char* fileName, char* buffer, size_t bufferSize) {
    char folder[4096];
    return FindDataFileFrom(ExecutableDir(folder, sizeof folder) ? folder : nullptr, fileName,
                            buffer, bufferSize);
}
