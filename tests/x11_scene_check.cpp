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

void Pixel(int x, int y, int* r, int* g, int* b) {
    const unsigned long p = XGetPixel(image, x, y);
    *r = static_cast<int>((p & image->red_mask) >> 16);
    *g = static_cast<int>((p & image->green_mask) >> 8);
    *b = static_cast<int>(p & image->blue_mask);
}

bool White(int x, int y) {
    int r, g, b;
    Pixel(x, y, &r, &g, &b);
    return r > 200 && g > 200 && b > 200;
}

// Share of lit pixels in a box, and the spread of their brightness along
// rows (a flat colour has none; the brushed picture has streaks).
void Rotor(int x0, int x1, int y0, int y1, double* lit, double* spread) {
    long count = 0;
    long total = 0;
    double sum = 0;
    double sumSquares = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            int r, g, b;
            Pixel(x, y, &r, &g, &b);
            ++total;
            if (r + g + b > 150) {
                ++count;
                // Against the pixel above: the streaks run along x, so
                // neighbours in a column differ.
                int r2, g2, b2;
                Pixel(x, y - 1, &r2, &g2, &b2);
                const double d = (r + g + b) - (r2 + g2 + b2);
                sum += d;
                sumSquares += d * d;
            }
        }
    }
    *lit = static_cast<double>(count) / static_cast<double>(total);
    *spread = count > 0 ? std::sqrt(sumSquares / count - (sum / count) * (sum / count)) : 0.0;
}

long TextPixels(int x0, int x1, int y0, int y1) {
    long n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            n += White(x, y);
        }
    }
    return n;
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
    const bool noPanel = std::strcmp(mode, "--no-panel") == 0;
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

    int failures = 0;
    auto check = [&](bool ok, const char* what, double value) {
        std::printf("%s %s (%.3f)\n", ok ? "ok:" : "FAIL:", what, value);
        failures += !ok;
    };

    if (panel || noPanel) {
        long yellow = 0;
        for (int y = 0; y < h / 2; ++y) {
            for (int x = 0; x < w; ++x) {
                int r, g, b;
                Pixel(x, y, &r, &g, &b);
                yellow += r > 200 && g > 200 && b < 120;
            }
        }
        // Two lines each across most of a half window.
        check(panel ? yellow > w / 2 : yellow < w / 20, panel ? "panel shown" : "no panel",
              static_cast<double>(yellow));
        XDestroyImage(image);
        XCloseDisplay(display);
        return failures == 0 ? 0 : 1;
    }

    // The rotors fill the middle band of each half.
    double lit, spread;
    Rotor(w / 16, w / 2 - w / 16, h / 8, h * 3 / 4, &lit, &spread);
    check(lit > 0.2, "left rotor covers its half", lit);
    if (!bare) {
        check(spread > 4.0, "left rotor shows the surface picture", spread);
    }
    Rotor(w / 2 + w / 16, w - w / 16, h / 8, h * 3 / 4, &lit, &spread);
    check(lit > 0.2, "right rotor covers its half", lit);
    if (!bare) {
        check(spread > 4.0, "right rotor shows the surface picture", spread);
    }

    // The divider: a column near the middle lit from top to bottom (white
    // light on the surface picture's corner texel), where its neighbours a
    // few pixels away are dark above and below the rotors.
    auto litShare = [&](int x) {
        int n = 0;
        for (int y = 0; y < h; ++y) {
            int r, g, b;
            Pixel(x, y, &r, &g, &b);
            n += r > 100 && g > 100 && b > 100;
        }
        return static_cast<double>(n) / h;
    };
    double best = 0;
    for (int x = w / 2 - 3; x <= w / 2 + 2; ++x) {
        if (litShare(x - 6) < 0.7 && litShare(x + 6) < 0.7) {
            best = std::fmax(best, litShare(x));
        }
    }
    check(best > 0.9, "divider down the middle", best);

    // Text under each rotor and in the header, away from the divider.
    const long bottomLeft = TextPixels(0, w / 2 - 4, h * 5 / 6, h);
    const long bottomRight = TextPixels(w / 2 + 4, w, h * 5 / 6, h);
    const long header = TextPixels(0, w / 2 - 4, 0, h / 8);
    if (bare) {
        check(bottomLeft + bottomRight + header == 0, "no overlay text", bottomLeft + bottomRight + header);
    } else {
        check(bottomLeft > 150, "overlay text under the left rotor", bottomLeft);
        check(bottomRight > 150, "overlay text under the right rotor", bottomRight);
        check(header > 30, "title in the header line", header);
    }

    XDestroyImage(image);
    XCloseDisplay(display);
    return failures == 0 ? 0 : 1;
}
