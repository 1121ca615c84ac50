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

    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "bare_loop: %s\n", SDL_GetError());
        return 1;
    }
    // The same request as the program's window: RGB 8-8-8, a depth buffer,
    // double buffered, no wait for the display.
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_Window* window =
        SDL_CreateWindow("bare loop", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width,
                         height, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
    SDL_GLContext context = window != nullptr ? SDL_GL_CreateContext(window) : nullptr;
    if (context == nullptr) {
        std::fprintf(stderr, "bare_loop: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_MakeCurrent(window, context);
    SDL_GL_SetSwapInterval(0);
    glViewport(0, 0, width, height);
    clientWidth = width;
    clientHeight = height;

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
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    std::fprintf(stderr, "bare_loop-stats mode=%s frames=%llu seconds=%.3f rate=%.2f\n", argv[1],
                 frames, elapsed, elapsed > 0.0 ? static_cast<double>(frames) / elapsed : 0.0);
    return 0;
}
