// The real host and demonstration for a long run with the target keys pressed
// throughout, for the sanitizer build: every few frames a key-down for Q, A,
// W or S goes into SDL's own event queue, the way a keyboard's would, and the
// run ends by a false Render. Checks that every key arrived, the exit code,
// and that resident memory in the last quarter of the run is within 1 MiB of
// what it was in the first. Leaks and sanitizer reports fail the process by
// themselves.
//
//   longrun [FRAMES [WIDTH HEIGHT]]   (default 100000 at 640 x 480; the test
//   runs a small window, since what is checked does not depend on the size)
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <SDL.h>
#include <SDL_opengl.h>

#include "demo/scene.h"
#include "host/app.h"

namespace {

const AppCallbacks* demo = nullptr;
long frameLimit = 100000;
int32_t windowWidth = 640;
int32_t windowHeight = 480;
long frames = 0;
long keysPushed = 0;
long keysArrived = 0;
// The resident figure swings by about half a MiB from one sample to the next
// as the rasteriser's threads take and give back memory, so one sample at each
// end can differ by more than a leak budget with nothing leaking. What is
// compared is the highest figure early on against the lowest late: a steady
// leak still raises every late sample, while a swing cannot add up.
long rssEarlyHigh = -1;
long rssLateLow = -1;

constexpr long kKeyEvery = 3;
constexpr long kSettledFrame = 1000;
constexpr long kSampleEvery = 250;

// VmRSS in KiB, or -1.
long ResidentKiB() {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) {
        return -1;
    }
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strncmp(line, "VmRSS:", 6) == 0) {
            kib = std::strtol(line + 6, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return kib;
}

void PushKey(SDL_Keycode key) {
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = key;
    if (SDL_PushEvent(&e) == 1) {
        ++keysPushed;
    }
}

bool SmallWindow() {
    displaySettings.width = windowWidth;
    displaySettings.height = windowHeight;
    return demo->PreInit();
}

bool Frame() {
    ++frames;
    const bool goOn = demo->Render();
    // A swap on SDL's offscreen driver is an EGL pbuffer swap, which does
    // nothing, so queued frames pile up in the software rasteriser without
    // end (over 100 MiB a second). A real swap waits for the frame to be
    // drawn; this stands in for it.
    glFinish();
    if (frames >= kSettledFrame && frames % kSampleEvery == 0) {
        const long rss = ResidentKiB();
        if (frames <= frameLimit / 4 && rss > rssEarlyHigh) {
            rssEarlyHigh = rss;
        }
        if (frames >= frameLimit - frameLimit / 4 && rss >= 0 &&
            (rssLateLow < 0 || rss < rssLateLow)) {
            rssLateLow = rss;
        }
    }
    if (frames % (frameLimit / 10) == 0) {
        std::printf("longrun frame=%ld rss_kib=%ld\n", frames, ResidentKiB());
        std::fflush(stdout);
    }
    if (frames >= frameLimit) {
        return false;
    }
    // The last frames push nothing, so every key pushed has time to arrive.
    if (frames % kKeyEvery == 0 && frames < frameLimit - 10) {
        static const SDL_Keycode keys[] = {SDLK_q, SDLK_w, SDLK_a, SDLK_s,
                                           SDLK_q, SDLK_s, SDLK_w, SDLK_a};
        PushKey(keys[(frames / kKeyEvery) % 8]);
    }
    return goOn;
}

void RaiseLeft() {
    ++keysArrived;
    demo->RaiseLeftTarget();
}
void LowerLeft() {
    ++keysArrived;
    demo->LowerLeftTarget();
}
void RaiseRight() {
    ++keysArrived;
    demo->RaiseRightTarget();
}
void LowerRight() {
    ++keysArrived;
    demo->LowerRightTarget();
}

}  // namespace

// In the sanitizer build, freed blocks wait in a quarantine of up to 256 MiB
// before reuse, which would show as resident memory growing for tens of
// thousands of frames. A small one keeps use-after-free checks for recent
// frees and lets the resident figure mean what it means without sanitizers.
// ASAN_OPTIONS still wins for anything it sets.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=2:thread_local_quarantine_size_kb=64";
}

int main(int argc, char** argv) {
    if (argc > 1) {
        frameLimit = std::strtol(argv[1], nullptr, 10);
    }
    if (argc > 3) {
        windowWidth = static_cast<int32_t>(std::strtol(argv[2], nullptr, 10));
        windowHeight = static_cast<int32_t>(std::strtol(argv[3], nullptr, 10));
    }
    if (frameLimit < 4 * kSettledFrame || windowWidth <= 0 || windowHeight <= 0) {
        std::fprintf(stderr, "usage: longrun [FRAMES (>= %ld) [WIDTH HEIGHT]]\n",
                     4 * kSettledFrame);
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    // The settings file goes to a folder of our own, not the user's.
    char folder[] = "/tmp/tempola-longrun-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    setenv("XDG_CONFIG_HOME", folder, 1);

    demo = &DemoCallbacks();
    AppCallbacks app = *demo;
    app.PreInit = SmallWindow;
    app.Render = Frame;
    app.RaiseLeftTarget = RaiseLeft;
    app.LowerLeftTarget = LowerLeft;
    app.RaiseRightTarget = RaiseRight;
    app.LowerRightTarget = LowerRight;
    const int exitCode = HostMain("-fullscreen=0", app);

    const std::string settings = std::string(folder) + "/Vektorum.INI";
    const bool settingsWritten = std::remove(settings.c_str()) == 0;
    rmdir(folder);

    const long growth = rssLateLow - rssEarlyHigh;
    std::printf(
        "longrun frames=%ld exit=%d keys_pushed=%ld keys_arrived=%ld rss_early_high_kib=%ld "
        "rss_late_low_kib=%ld growth_kib=%ld\n",
        frames, exitCode, keysPushed, keysArrived, rssEarlyHigh, rssLateLow, growth);
    bool ok = true;
    if (exitCode != 0 || frames != frameLimit || !settingsWritten) {
        std::printf("FAIL: the run did not end normally (settings written: %d)\n", settingsWritten);
        ok = false;
    }
    if (keysPushed == 0 || keysArrived != keysPushed) {
        std::printf("FAIL: keys pushed and keys handled differ\n");
        ok = false;
    }
    if (rssEarlyHigh < 0 || rssLateLow < 0 || growth > 1024) {
        std::printf("FAIL: resident memory grew by more than 1 MiB\n");
        ok = false;
    }
    return ok ? 0 : 1;
}
