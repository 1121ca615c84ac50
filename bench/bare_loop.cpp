// Baselines for the program's redraw rate: the demonstration's own Init and
// Render in a plain SDL2 loop with no host around them ("scene"), and a loop
// that only clears and swaps ("clear"). Both poll the event queue once per
// frame, as any SDL2 program must, and print the same figures as the
// program's --stats:
//
//   bare_loop scene|clear SECONDS [WIDTH HEIGHT]
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <SDL.h>
#include <SDL_opengl.h>

#include "bench_window.h"
#include "demo/scene.h"
#include "host/app.h"

namespace {

double MonotonicSeconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

int Usage() {
    std::fprintf(stderr, "usage: bare_loop scene|clear SECONDS [WIDTH HEIGHT]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        return Usage();
    }
    const bool scene = std::strcmp(argv[1], "scene") == 0;
    if (!scene && std::strcmp(argv[1], "clear") != 0) {
        return Usage();
    }
    const double seconds = std::atof(argv[2]);
    const int width = argc == 5 ? std::atoi(argv[3]) : 640;
    const int height = argc == 5 ? std::atoi(argv[4]) : 480;
    if (seconds <= 0.0 || width <= 0 || height <= 0) {
        return Usage();
    }

    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    if (!OpenBenchWindow("bare_loop", width, height, &window, &context)) {
        return 1;
    }

    const uint64_t frequency = SDL_GetPerformanceFrequency();
    const uint64_t start = SDL_GetPerformanceCounter();
    if (scene) {
        DemoCallbacks().Init();
    }
    const uint32_t stopAtMs = static_cast<uint32_t>(seconds * 1000.0);

    unsigned long long frames = 0;
    double firstFrame = 0.0;
    bool running = true;
    while (running) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT) {
                running = false;
            }
        }
        const uint64_t ticks = SDL_GetPerformanceCounter() - start;
        timeMs = static_cast<uint32_t>((ticks / frequency) * 1000 +
                                       (ticks % frequency) * 1000 / frequency);
        if (frames == 0) {
            firstFrame = MonotonicSeconds();
        }
        ++frames;
        if (scene) {
            DemoCallbacks().Render();
        } else {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        }
        SDL_GL_SwapWindow(window);
        if (timeMs >= stopAtMs) {
            running = false;
        }
    }
    const double elapsed = MonotonicSeconds() - firstFrame;

    if (scene) {
        DemoCallbacks().Shutdown();
    }
    CloseBenchWindow(window, context);
    std::fprintf(stderr, "bare_loop-stats mode=%s frames=%llu seconds=%.3f rate=%.2f\n", argv[1],
                 frames, elapsed, elapsed > 0.0 ? static_cast<double>(frames) / elapsed : 0.0);
    return 0;
}
