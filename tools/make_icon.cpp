// Writes the program's icon at the sizes desktops look for, as RGBA PNG files
// in the hicolor theme's layout:
//   <folder>/hicolor/<N>x<N>/apps/tempola.png   N = 16, 32, 48, 64, 128, 256
// The picture is the program's own scene reduced to what reads at 16 pixels:
// on a dark rounded tile, two tubes of the rotors' brushed steel, one per
// side of the divider, each turned to a different point of its motion.
// Every size is drawn from that description, not scaled from another size,
// with 4 x 4 samples per pixel. The PNG writer is our own (stored deflate
// blocks), so the tool needs nothing beyond the BMP reader, and each run
// writes the same bytes.
//
// usage: make_icon <metal2.bmp> <folder>

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/image.h"

namespace {

const int kSizes[] = {16, 32, 48, 64, 128, 256};
const int kSamples = 4;  // per pixel along each axis
const double kPi = 3.14159265358979323846;

// --- PNG ------------------------------------------------------------------------

uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc) {
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            table[i] = c;
        }
        ready = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

uint32_t Adler32(const uint8_t* data, size_t n) {
    uint32_t a = 1;
    uint32_t b = 0;
    for (size_t i = 0; i < n; ++i) {
        a = (a + data[i]) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    Put32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    Put32(out, Crc32(out.data() + start, out.size() - start, 0));
}

// A zlib stream of stored (uncompressed) deflate blocks: an icon is a few
// hundred kilobytes at most, and the format stays simple enough to check by
// eye.
std::vector<uint8_t> ZlibStored(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> out = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
        const bool last = at + n == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<uint8_t>(n));
        out.push_back(static_cast<uint8_t>(n >> 8));
        out.push_back(static_cast<uint8_t>(~n));
        out.push_back(static_cast<uint8_t>(~n >> 8));
        out.insert(out.end(), raw.begin() + static_cast<long>(at),
                   raw.begin() + static_cast<long>(at + n));
        at += n;
    } while (at < raw.size());
    Put32(out, Adler32(raw.data(), raw.size()));
    return out;
}

// rgba: size x size pixels, rows top first.
std::vector<uint8_t> EncodePng(const std::vector<uint8_t>& rgba, int size) {
    std::vector<uint8_t> raw;
    const size_t row = static_cast<size_t>(size) * 4;
    for (int y = 0; y < size; ++y) {
        raw.push_back(0);  // filter: none
        raw.insert(raw.end(), rgba.begin() + static_cast<long>(y * row),
                   rgba.begin() + static_cast<long>((y + 1) * row));
    }
    std::vector<uint8_t> header;
    Put32(header, static_cast<uint32_t>(size));
    Put32(header, static_cast<uint32_t>(size));
    header.push_back(8);  // bits per channel
    header.push_back(6);  // RGBA
    header.push_back(0);  // deflate
    header.push_back(0);  // adaptive filtering
    header.push_back(0);  // not interlaced
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Chunk(out, "IHDR", header);
    Chunk(out, "IDAT", ZlibStored(raw));
    Chunk(out, "IEND", {});
    return out;
}

// --- the picture ----------------------------------------------------------------

struct Colour {
    double r, g, b, a;  // 0 to 1, colour not multiplied by alpha
};

// Bilinear, wrapping: the steel tile repeats without a seam.
void Steel(const Image& metal, double x, double y, double rgb[3]) {
    const double fx = x - std::floor(x);
    const double fy = y - std::floor(y);
    const int w = static_cast<int>(metal.width);
    const int h = static_cast<int>(metal.height);
    const int x0 = ((static_cast<int>(std::floor(x)) % w) + w) % w;
    const int y0 = ((static_cast<int>(std::floor(y)) % h) + h) % h;
    const int x1 = (x0 + 1) % w;
    const int y1 = (y0 + 1) % h;
    const int step = static_cast<int>(metal.bitsPerPixel / 8);
    for (int c = 0; c < 3; ++c) {
        auto at = [&](int px, int py) {
            return metal.pixels[static_cast<size_t>(py) * metal.pitch +
                                static_cast<size_t>(px * step + c)] /
                   255.0;
        };
        const double top = at(x0, y0) * (1 - fx) + at(x1, y0) * fx;
        const double bottom = at(x0, y1) * (1 - fx) + at(x1, y1) * fx;
        rgb[c] = top * (1 - fy) + bottom * fy;
    }
}

// Inside a rounded square of half-width h and corner radius r, centred at 0.
bool InRoundedSquare(double x, double y, double h, double r) {
    const double dx = std::fabs(x) - (h - r);
    const double dy = std::fabs(y) - (h - r);
    if (dx <= 0 || dy <= 0) {
        return std::fabs(x) <= h && std::fabs(y) <= h;
    }
    return dx * dx + dy * dy <= r * r;
}

struct Tube {
    double cx, cy;      // centre
    double angle;       // radians, clockwise on screen
    double tint[3];     // the scene's colours: green above, pink below
    double textureRow;  // where on the steel tile the tube's streaks come from
};

const double kTubeLength = 0.38;
const double kTubeWidth = 0.2;

// Colour of the tube at (x, y), or false when the point is outside it.
bool TubeAt(const Image& metal, const Tube& t, double x, double y, double rgb[3]) {
    const double c = std::cos(t.angle);
    const double s = std::sin(t.angle);
    const double u = (x - t.cx) * c + (y - t.cy) * s;   // along
    const double v = -(x - t.cx) * s + (y - t.cy) * c;  // across
    if (std::fabs(u) > kTubeLength / 2 || std::fabs(v) > kTubeWidth / 2) {
        return false;
    }
    // Streaks along the tube; lit from above, darker towards its edges.
    Steel(metal, (u / kTubeLength + 0.5) * 200.0, t.textureRow + (v / kTubeWidth + 0.5) * 60.0,
          rgb);
    const double across = v / (kTubeWidth / 2);
    const double light = 0.55 + 0.55 * std::cos(across * kPi * 0.45) - 0.15 * across;
    for (int k = 0; k < 3; ++k) {
        rgb[k] = std::fmin(1.0, rgb[k] * t.tint[k] * light);
    }
    return true;
}

// The icon at one point, x and y from 0 to 1 across the whole picture.
Colour Scene(const Image& metal, double x, double y) {
    const double h = 0.46;  // the tile leaves a small margin, as theme icons do
    const double px = x - 0.5;
    const double py = y - 0.5;
    if (!InRoundedSquare(px, py, h, 0.1)) {
        return {0, 0, 0, 0};
    }
    double rgb[3];
    // Dark tile, a little lighter at the top, with a thin bright rim.
    const double shade = 0.16 - 0.1 * (y - 0.04) / 0.92;
    rgb[0] = shade;
    rgb[1] = shade * 1.05;
    rgb[2] = shade * 1.15;
    if (!InRoundedSquare(px, py, h - 0.018, 0.082)) {
        rgb[0] = rgb[1] = rgb[2] = 0.42;
    } else {
        // The same motion at two moments: the right tube has turned further.
        static const Tube tubes[2] = {
            {0.29, 0.5, -20.0 * kPi / 180.0, {0.72, 1.0, 0.78}, 10.0},
            {0.72, 0.5, -65.0 * kPi / 180.0, {1.0, 0.74, 0.8}, 140.0},
        };
        const Tube& tube = x < 0.5 ? tubes[0] : tubes[1];
        const bool clear = x < 0.5 ? x < 0.47 : x > 0.53;  // each keeps to its side
        double steel[3];
        if (clear && TubeAt(metal, tube, x, y, steel)) {
            rgb[0] = steel[0];
            rgb[1] = steel[1];
            rgb[2] = steel[2];
        }
        if (std::fabs(x - 0.5) < 0.012 && y > 0.12 && y < 0.88) {
            rgb[0] = rgb[1] = rgb[2] = 0.85;
        }
    }
    return {rgb[0], rgb[1], rgb[2], 1.0};
}

std::vector<uint8_t> Render(const Image& metal, int size) {
    std::vector<uint8_t> rgba(static_cast<size_t>(size) * static_cast<size_t>(size) * 4);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Colour sum = {0, 0, 0, 0};
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Colour c = Scene(metal, (x + (sx + 0.5) / kSamples) / size,
                                           (y + (sy + 0.5) / kSamples) / size);
                    sum.r += c.r * c.a;
                    sum.g += c.g * c.a;
                    sum.b += c.b * c.a;
                    sum.a += c.a;
                }
            }
            // PNG wants straight alpha: undo the premultiplication of the
            // average, so edge pixels keep their colour and only fade.
            uint8_t* out = &rgba[(static_cast<size_t>(y) * static_cast<size_t>(size) +
                                  static_cast<size_t>(x)) *
                                 4];
            const double a = sum.a / (kSamples * kSamples);
            auto byte = [](double v) {
                return static_cast<uint8_t>(std::lround(std::fmin(1.0, std::fmax(0.0, v)) * 255));
            };
            out[0] = sum.a > 0 ? byte(sum.r / sum.a) : 0;
            out[1] = sum.a > 0 ? byte(sum.g / sum.a) : 0;
            out[2] = sum.a > 0 ? byte(sum.b / sum.a) : 0;
            out[3] = byte(a);
        }
    }
    return rgba;
}

// --- files ------------------------------------------------------------------------

bool MakeFolders(const std::string& path) {
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            const std::string part = path.substr(0, i);
            if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
                std::fprintf(stderr, "make_icon: cannot make %s: %s\n", part.c_str(),
                             std::strerror(errno));
                return false;
            }
        }
    }
    return true;
}

// Beside the old file first, then renamed over it: never half an icon.
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    const std::string temporary = path + ".new";
    FILE* f = std::fopen(temporary.c_str(), "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "make_icon: cannot write %s: %s\n", temporary.c_str(),
                     std::strerror(errno));
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", path.c_str());
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_icon <metal2.bmp> <folder>\n");
        return 2;
    }
    Image metal;
    if (!metal.Load(argv[1], LoadBMP) || metal.bitsPerPixel < 24) {
        std::fprintf(stderr, "make_icon: %s is not a 24 or 32-bit BMP picture\n", argv[1]);
        return 1;
    }
    for (int size : kSizes) {
        const std::string folder = std::string(argv[2]) + "/hicolor/" + std::to_string(size) + "x" +
                                   std::to_string(size) + "/apps";
        if (!MakeFolders(folder) ||
            !WriteFile(folder + "/tempola.png", EncodePng(Render(metal, size), size))) {
            return 1;
        }
    }
    return 0;
}
