// Reads the program's window back from the X server and checks what a person
// would see: rotors on both sides with the surface picture on them, the
// divider down the middle and the overlay's text; or, with --bare, rotors
// and divider without any text. With --panel or --no-panel it checks only
// whether the cadence panel's nominal-rate lines (yellow, which nothing else
// in the scene is) stand in the upper half.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

XImage* image = nullptr;
int failures = 0;

struct Rgb {
    int r, g, b;
};

Rgb Pixel(int x, int y) {
    const unsigned long p = XGetPixel(image, x, y);
    return {static_cast<int>((p & image->red_mask) >> 16),
            static_cast<int>((p & image->green_mask) >> 8), static_cast<int>(p & image->blue_mask)};
}

// How many pixels of a box pass `test`.
template <typename Test>
long Count(int x0, int x1, int y0, int y1, Test test) {
    long n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            n += test(Pixel(x, y), x, y);
        }
    }
    return n;
}

void Check(bool ok, const char* what, double value) {
    std::printf("%s %s (%.3f)\n", ok ? "ok:" : "FAIL:", what, value);
    failures += !ok;
}

// A rotor fills the middle band of its half, and the brushed picture on it
// shows as streaks along x: lit pixels differ from the one above them.
void CheckRotor(int x0, int x1, int y0, int y1, const char* covers, const char* textured) {
    double sum = 0;
    double squares = 0;
    const long lit = Count(x0, x1, y0, y1, [&](Rgb p, int x, int y) {
        if (p.r + p.g + p.b <= 150) {
            return false;
        }
        const Rgb above = Pixel(x, y - 1);
        const double d = (p.r + p.g + p.b) - (above.r + above.g + above.b);
        sum += d;
        squares += d * d;
        return true;
    });
    const double share = static_cast<double>(lit) / ((x1 - x0) * (y1 - y0));
    Check(share > 0.2, covers, share);
    if (textured != nullptr) {
        const double spread = lit > 0 ? std::sqrt(squares / lit - (sum / lit) * (sum / lit)) : 0.0;
        Check(spread > 4.0, textured, spread);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: x11_scene_check WINDOW-ID [--bare | --panel | --no-panel]\n");
        return 2;
    }
    const char* mode = argc > 2 ? argv[2] : "";
    const bool bare = std::strcmp(mode, "--bare") == 0;
    const bool panel = std::strcmp(mode, "--panel") == 0;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no display\n");
        return 2;
    }
    const Window window = static_cast<Window>(std::strtoul(argv[1], nullptr, 0));
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) {
        std::fprintf(stderr, "no such window\n");
        return 2;
    }
    const int w = attributes.width;
    const int h = attributes.height;
    image = XGetImage(display, window, 0, 0, w, h, AllPlanes, ZPixmap);
    if (image == nullptr || w < 320 || h < 240) {
        std::fprintf(stderr, "could not read the window back (%dx%d)\n", w, h);
        return 2;
    }
    auto white = [](Rgb p, int, int) { return p.r > 200 && p.g > 200 && p.b > 200; };

    if (panel || std::strcmp(mode, "--no-panel") == 0) {
        // Two lines each across most of a half window.
        auto isYellow = [](Rgb p, int, int) { return p.r > 200 && p.g > 200 && p.b < 120; };
        const long yellow = Count(0, w, 0, h / 2, isYellow);
        Check(panel ? yellow > w / 2 : yellow < w / 20, panel ? "panel shown" : "no panel",
              static_cast<double>(yellow));
    } else {
        CheckRotor(w / 16, w / 2 - w / 16, h / 8, h * 3 / 4, "left rotor covers its half",
                   bare ? nullptr : "left rotor shows the surface picture");
        CheckRotor(w / 2 + w / 16, w - w / 16, h / 8, h * 3 / 4, "right rotor covers its half",
                   bare ? nullptr : "right rotor shows the surface picture");

        // The divider: a column near the middle lit from top to bottom (white
        // light on the surface picture's corner texel), where its neighbours a
        // few pixels away are dark above and below the rotors.
        auto litShare = [&](int x) {
            auto lit = [](Rgb p, int, int) { return p.r > 100 && p.g > 100 && p.b > 100; };
            return static_cast<double>(Count(x, x + 1, 0, h, lit)) / h;
        };
        double best = 0;
        for (int x = w / 2 - 3; x <= w / 2 + 2; ++x) {
            if (litShare(x - 6) < 0.7 && litShare(x + 6) < 0.7) {
                best = std::fmax(best, litShare(x));
            }
        }
        Check(best > 0.9, "divider down the middle", best);

        // Text under each rotor and in the header, away from the divider.
        const long bottomLeft = Count(0, w / 2 - 4, h * 5 / 6, h, white);
        const long bottomRight = Count(w / 2 + 4, w, h * 5 / 6, h, white);
        const long header = Count(0, w / 2 - 4, 0, h / 8, white);
        if (bare) {
            Check(bottomLeft + bottomRight + header == 0, "no overlay text",
                  bottomLeft + bottomRight + header);
        } else {
            Check(bottomLeft > 150, "overlay text under the left rotor", bottomLeft);
            Check(bottomRight > 150, "overlay text under the right rotor", bottomRight);
            Check(header > 30, "title in the header line", header);
        }
    }
    XDestroyImage(image);
    XCloseDisplay(display);
    return failures == 0 ? 0 : 1;
}
