// What textured rectangles drawn over the scene cost a frame, the way the
// cadence panel draws them (pixels of the window, GL_REPLACE, GL_NEAREST,
// 1:1 texels, the depth test off): one tiny rectangle, one of 30,000 pixels,
// and 90 of 336 pixels each (the same 30,000 pixels cut the way the panel's
// text and charts cut them), opaque and blended. Rounds of each, alternated
// with rounds of the scene alone, every other cycle backwards; each figure is
// the median over cycles of a round's frame time less its own cycle's
// scene-alone round. From those: what the driver charges a frame for drawing
// at all, a rectangle, and a thousand pixels.
//
//   quad_cost [CYCLES [SECONDS [WIDTH HEIGHT]]]   (20 cycles of 0.3 s rounds, 640 x 480)
//
// Run it in a real window from a folder holding the program's data files, as
// bench/quad_cost.sh does under Xvfb.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <SDL.h>
#include <SDL_opengl.h>

#include "bench_window.h"
#include "demo/scene.h"
#include "host/app.h"

namespace {

struct Rect {
    float x0, y0, x1, y1;
};

struct Config {
    const char* name;
    bool blend;
    std::vector<Rect> rects;
};

const int kTextureSize = 1024;
constexpr int kSmallRects = 90;

// Rows of 12-pixel lines, 28 pixels across, on the window's 4 x 4 blocks as
// the panel's text lines are: 336 pixels each.
std::vector<Rect> SmallRects() {
    std::vector<Rect> rects;
    for (int i = 0; i < kSmallRects; ++i) {
        const float x = 16.0f + static_cast<float>(i % 10) * 60.0f;
        const float y = 40.0f + static_cast<float>(i / 10) * 24.0f;
        rects.push_back({x, y, x + 28.0f, y + 12.0f});
    }
    return rects;
}

void DrawRects(const Config& config, GLuint texture, int width, int height) {
    if (config.rects.empty()) {
        return;
    }
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, height, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    if (config.blend) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    }
    const float scale = 1.0f / kTextureSize;
    glBegin(GL_QUADS);
    for (const Rect& r : config.rects) {
        glTexCoord2f(r.x0 * scale, r.y0 * scale);
        glVertex2f(r.x0, r.y0);
        glTexCoord2f(r.x1 * scale, r.y0 * scale);
        glVertex2f(r.x1, r.y0);
        glTexCoord2f(r.x1 * scale, r.y1 * scale);
        glVertex2f(r.x1, r.y1);
        glTexCoord2f(r.x0 * scale, r.y1 * scale);
        glVertex2f(r.x0, r.y1);
    }
    glEnd();
    glDisable(GL_BLEND);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

int Usage() {
    std::fprintf(stderr,
                 "usage: quad_cost [CYCLES (3 to 1000) [SECONDS (0.1 to 60) [WIDTH HEIGHT]]]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 20;
    const double seconds = argc > 2 ? std::atof(argv[2]) : 0.3;
    const int width = argc > 4 ? std::atoi(argv[3]) : 640;
    const int height = argc > 4 ? std::atoi(argv[4]) : 480;
    if (argc == 4 || argc > 5 || cycles < 3 || cycles > 1000 || !(seconds >= 0.1) ||
        seconds > 60.0 || width < 640 || height < 480 || width > 8192 || height > 8192) {
        return Usage();
    }
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    if (!OpenBenchWindow("quad_cost", width, height, &window, &context)) {
        return 1;
    }
    if (!DemoCallbacks().Init()) {
        std::fprintf(stderr, "quad_cost: the scene did not start (run it from the data folder)\n");
        CloseBenchWindow(window, context);
        return 1;
    }

    // Half transparent, so that blending has something to do.
    std::vector<uint32_t> texels(static_cast<size_t>(kTextureSize) * kTextureSize, 0x80336699u);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kTextureSize, kTextureSize, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, texels.data());

    const std::vector<Config> configs = {
        {"scene alone", false, {}},
        {"1 rectangle of 16 pixels", false, {{16, 40, 20, 44}}},
        {"1 rectangle of 30,000 pixels", false, {{16, 40, 316, 140}}},
        {"1 rectangle of 30,000 pixels, blended", true, {{16, 40, 316, 140}}},
        {"90 rectangles of 336 pixels", false, SmallRects()},
        {"90 rectangles of 336 pixels, blended", true, SmallRects()},
    };
    const size_t kinds = configs.size();
    std::vector<std::vector<double>> extraUs(kinds);
    std::vector<double> sceneUs;

    const uint64_t frequency = SDL_GetPerformanceFrequency();
    const uint64_t start = SDL_GetPerformanceCounter();
    auto now = [&] {
        return static_cast<double>(SDL_GetPerformanceCounter() - start) /
               static_cast<double>(frequency);
    };
    std::fprintf(stderr, "quad_cost: %d cycles of %zu rounds of %.1f s\n", cycles, kinds, seconds);
    // One cycle not counted: the driver compiles its shaders on first use.
    for (int cycle = -1; cycle < cycles; ++cycle) {
        std::vector<double> frameUs(kinds, 0.0);
        for (size_t step = 0; step < kinds; ++step) {
            const size_t kind = cycle % 2 == 0 ? step : kinds - 1 - step;
            const double from = now();
            long frames = 0;
            while (now() - from < seconds) {
                SDL_Event event;
                while (SDL_PollEvent(&event)) {
                }
                timeMs = static_cast<uint32_t>(now() * 1000.0);
                DemoCallbacks().Render();
                DrawRects(configs[kind], texture, width, height);
                SDL_GL_SwapWindow(window);
                ++frames;
            }
            frameUs[kind] = 1e6 * (now() - from) / static_cast<double>(frames);
        }
        if (cycle < 0) {
            continue;
        }
        sceneUs.push_back(frameUs[0]);
        for (size_t kind = 1; kind < kinds; ++kind) {
            extraUs[kind].push_back(frameUs[kind] - frameUs[0]);
        }
        if ((cycle + 1) % 5 == 0) {
            std::fprintf(stderr, "quad_cost: %d of %d cycles\n", cycle + 1, cycles);
        }
    }

    glDeleteTextures(1, &texture);
    DemoCallbacks().Shutdown();
    CloseBenchWindow(window, context);

    const double scene = Median(sceneUs);
    std::printf("| drawn over the scene (%d x %d) | median extra us a frame |\n", width, height);
    std::printf("|---|---|\n");
    std::printf("| nothing (the scene's frame) | %.1f |\n", scene);
    std::vector<double> extra(kinds, 0.0);
    for (size_t kind = 1; kind < kinds; ++kind) {
        extra[kind] = Median(extraUs[kind]);
        std::printf("| %s | %.1f |\n", configs[kind].name, extra[kind]);
    }
    const double drawing = extra[1];
    const double perRect = (extra[4] - extra[2]) / (kSmallRects - 1);
    const double perKilopixel = (extra[2] - extra[1]) / 30.0;
    std::printf("drawing at all %.1f us, a rectangle %.2f us, 1,000 pixels %.2f us (opaque)\n",
                drawing, perRect, perKilopixel);
    // The most anything over the scene may cost for the rate to keep 0.95.
    std::printf("budget_for_0.95_us=%.1f\n", scene / 0.95 - scene);
    return 0;
}
