// Checks that a frame of the demonstration allocates nothing on the heap:
// after one second of frames, 1,000 more frames run with the counters armed.
// The frames go through every frame limit there is (each rate method at
// each placement, the display-timed limiter likewise, and off), on the
// scripted platform's clock, which a sleep moves to its deadline and every
// reading moves on a little, so that a spin ends.
//
// Two counters. malloc, calloc, realloc and strdup are wrapped at link time
// (-Wl,--wrap), which reaches only the objects linked into this binary, that
// is our own code, never the GL driver or SDL. operator new is replaced for
// the whole process, since the driver may use it too; each armed call is put
// down to whoever called it: the first stack frame outside the C and C++
// runtimes decides whether it was our code (this executable) or a library.
#include <dlfcn.h>
#include <execinfo.h>
#include <link.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <SDL.h>
#include <SDL_opengl.h>

#include "demo/frame.h"
#include "demo/live_limit.h"
#include "demo/pacing.h"
#include "demo/presentations.h"
#include "demo/scene.h"
#include "gfx/image.h"
#include "host/app.h"
#include "host/host_internal.h"
#include "platform/headless_platform.h"
#include "pacing/cadence.h"
#include "pacing/frame_log.h"

extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* block, size_t size);
char* __real_strdup(const char* text);
}

namespace {

bool armed = false;
bool inHook = false;
unsigned long ourMallocs = 0;
unsigned long ourNews = 0;
unsigned long libraryNews = 0;

struct Range {
    uintptr_t begin = 0;
    uintptr_t end = 0;
    bool Holds(uintptr_t a) const { return a >= begin && a < end; }
};

Range executable;
Range runtimes[4];  // libc, libstdc++, libgcc_s, libm
int runtimeCount = 0;

int NoteObject(dl_phdr_info* info, size_t, void*) {
    Range range;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& ph = info->dlpi_phdr[i];
        if (ph.p_type == PT_LOAD && (ph.p_flags & PF_X) != 0) {
            const uintptr_t b = info->dlpi_addr + ph.p_vaddr;
            if (range.begin == 0 || b < range.begin) {
                range.begin = b;
            }
            if (b + ph.p_memsz > range.end) {
                range.end = b + ph.p_memsz;
            }
        }
    }
    const char* name = info->dlpi_name;
    if (name == nullptr || name[0] == '\0') {
        if (executable.begin == 0) {
            executable = range;
        }
        return 0;
    }
    const char* base = std::strrchr(name, '/');
    base = base != nullptr ? base + 1 : name;
    static const char* const kRuntimes[] = {"libc.so", "libstdc++.so", "libgcc_s.so", "libm.so"};
    for (const char* r : kRuntimes) {
        if (std::strncmp(base, r, std::strlen(r)) == 0 && runtimeCount < 4) {
            runtimes[runtimeCount++] = range;
        }
    }
    return 0;
}

bool InRuntime(uintptr_t a) {
    for (int i = 0; i < runtimeCount; ++i) {
        if (runtimes[i].Holds(a)) {
            return true;
        }
    }
    return false;
}

void CountNew() {
    if (!armed || inHook) {
        return;
    }
    inHook = true;
    void* frames[32];
    const int n = backtrace(frames, 32);
    bool ours = false;
    // Frame 0 is this function, frame 1 operator new: start with its caller.
    for (int i = 2; i < n; ++i) {
        const uintptr_t a = reinterpret_cast<uintptr_t>(frames[i]);
        if (InRuntime(a)) {
            continue;
        }
        ours = executable.Holds(a);
        break;
    }
    if (ours) {
        ++ourNews;
    } else {
        ++libraryNews;
    }
    inHook = false;
}

}  // namespace

extern "C" void* __wrap_malloc(size_t size) {
    if (armed) {
        ++ourMallocs;
    }
    return __real_malloc(size);
}

extern "C" void* __wrap_calloc(size_t count, size_t size) {
    if (armed) {
        ++ourMallocs;
    }
    return __real_calloc(count, size);
}

extern "C" void* __wrap_realloc(void* block, size_t size) {
    if (armed) {
        ++ourMallocs;
    }
    return __real_realloc(block, size);
}

extern "C" char* __wrap_strdup(const char* text) {
    if (armed) {
        ++ourMallocs;
    }
    return __real_strdup(text);
}

// Not inlined into the operators, so that the frame count above holds.
__attribute__((noinline)) void* CountedNew(size_t size, bool nothrow) {
    CountNew();
    void* block = __real_malloc(size == 0 ? 1 : size);
    if (block == nullptr && !nothrow) {
        std::abort();  // no exceptions in this program
    }
    return block;
}

void* operator new(size_t size) {
    return CountedNew(size, false);
}
void* operator new[](size_t size) {
    return CountedNew(size, false);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return CountedNew(size, true);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return CountedNew(size, true);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

// Large: out of the stack, as the program keeps its own.
FrameLog frameLog;

// Every limit the program can run under, in turn.
LimitSetting LimitNumber(int n) {
    const WaitMethod methods[3] = {WaitMethod::kSleep, WaitMethod::kSpin, WaitMethod::kHybrid};
    const WaitPlacement places[2] = {WaitPlacement::kSwap, WaitPlacement::kFrame};
    const int kinds = 13;  // off, then six of each limit
    const int k = n % kinds;
    if (k == 0)
        return kNoLimit;
    const LimitKind kind = k <= 6 ? LimitKind::kRate : LimitKind::kDisplay;
    return LimitSetting{kind, kind == LimitKind::kRate ? 60.0 : 0.0, methods[(k - 1) % 3],
                        places[((k - 1) / 3) % 2]};
}

int main() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "no_alloc: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_Window* window =
        SDL_CreateWindow("no_alloc", 0, 0, 640, 480, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext context = window != nullptr ? SDL_GL_CreateContext(window) : nullptr;
    if (context == nullptr) {
        std::fprintf(stderr, "no_alloc: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_MakeCurrent(window, context);
    glViewport(0, 0, 640, 480);

    dl_iterate_phdr(NoteObject, nullptr);
    void* warm[4];
    backtrace(warm, 4);  // loads the unwinder now, not inside the window

    {
        Image picture;
        if (!LoadBMP("metal2.bmp", &picture)) {
            std::fprintf(stderr, "no_alloc: run me where metal2.bmp and charset.tga are\n");
            return 1;
        }
    }
    char error[256];
    if (!OpenFrameLog(frameLog, "/dev/null", CaptureIdentity{"tempola", 1, 0}, error,
                      sizeof error)) {
        std::fprintf(stderr, "no_alloc: %s\n", error);
        return 1;
    }
    // Rows reach the log the way the program's do: through the queue of
    // redraws waiting for the display's word.
    settledFrameSink = [](const FrameSample& sample, const FrameDisplay& display) {
        LogFrame(frameLog, sample, display);
    };
    headless::Options scripted;
    scripted.ticksPerRead = 20;  // 20 us a reading: a spin of a few ms is some hundred
    headless::Reset(scripted);
    StartFrameClock();
    DemoCallbacks().Init();
    if (surfaceTexture.name == 0 || overlayFont.pixels == nullptr) {
        std::fprintf(stderr, "no_alloc: run me where metal2.bmp and charset.tga are\n");
        return 1;
    }

    // A steady 200 frames a second of clock, with the target keys pressed
    // now and then; one second first, then the measured thousand.
    void (*const keys[4])() = {RaiseLeftTarget, LowerRightTarget, LowerLeftTarget,
                               RaiseRightTarget};
    const int warmFrames = 200;
    const int measuredFrames = 1000;
    const int framesPerLimit = 15;
    for (int frame = 0; frame < warmFrames + measuredFrames; ++frame) {
        if (frame == warmFrames) {
            armed = true;
        }
        if (frame % framesPerLimit == 0)
            ChangeLimit(liveLimiter, LimitNumber(frame / framesPerLimit));
        // Each frame takes 5 ms of the clock besides the limiter's waits.
        headless::AdvanceMs(5);
        DemoCallbacks().BeforeFrame();
        frameSeconds = HostClockSeconds();
        timeMs = static_cast<uint32_t>(frameSeconds * 1000.0);
        ++redrawNumber;
        if (frame % 7 == 0) {
            keys[(frame / 7) % 4]();
        }
        // The lab's own work counts too: the panel (its images made during
        // the warm-up, then refreshed), rule changes and a frame log row.
        if (frame == warmFrames / 2 || frame == warmFrames + measuredFrames / 2) {
            DemoCallbacks().KeyDown('G');
            DemoCallbacks().KeyDown('Z');
            DemoCallbacks().KeyDown('X');
        }
        DemoCallbacks().Render();
        DemoCallbacks().BeforeSwap();
        swapSeconds = HostClockSeconds();
        SDL_GL_SwapWindow(window);
    }
    armed = false;
    CloseFrameLog(frameLog);
    const bool drew = glGetError() == GL_NO_ERROR && statusText[0] != '\0';

    DemoCallbacks().Shutdown();
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();

    std::printf("no_alloc frames=%d our_mallocs=%lu our_news=%lu library_news=%lu waits=%llu\n",
                measuredFrames, ourMallocs, ourNews, libraryNews,
                static_cast<unsigned long long>(liveLimiter.wakeLate.count));
    if (!drew || liveLimiter.wakeLate.count == 0 || headless::GetRecord().sleeps == 0) {
        std::printf("FAIL: the frames did not run as expected\n");
        return 1;
    }
    if (ourMallocs != 0 || ourNews != 0) {
        std::printf("FAIL: our code allocated during the measured frames\n");
        return 1;
    }
    return 0;
}
