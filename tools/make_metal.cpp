// Writes the rotors' surface picture: a 256 x 256 brushed-steel tile as an
// uncompressed 24-bit BMP. The noise comes from a fixed-seed generator of our
// own rather than the C library's, so each run writes the same bytes.
//
// usage: make_metal <output.bmp>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

const int kSize = 256;

// xorshift32: small, fast and the same on every platform.
class Random {
public:
    explicit Random(uint32_t seed) : state(seed ? seed : 1u) {}

    uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }

    // Uniform in [-1, 1].
    float Signed() { return static_cast<float>(Next() >> 8) / 8388607.5f - 1.0f; }

private:
    uint32_t state;
};

// Box blur with wrap-around, so the tile repeats without a seam.
std::vector<float> BlurWrapped(const std::vector<float>& in, int radius) {
    const int n = static_cast<int>(in.size());
    std::vector<float> out(in.size());
    for (int i = 0; i < n; ++i) {
        float sum = 0.0f;
        for (int k = -radius; k <= radius; ++k)
            sum += in[static_cast<size_t>(((i + k) % n + n) % n)];
        out[static_cast<size_t>(i)] = sum / static_cast<float>(2 * radius + 1);
    }
    return out;
}

// Scales to unit standard deviation around zero, so the weights below mean
// the same thing whatever the blur did to the spread.
void Normalise(std::vector<float>& v) {
    double mean = 0.0;
    for (float f : v)
        mean += f;
    mean /= static_cast<double>(v.size());
    double var = 0.0;
    for (float f : v)
        var += (f - mean) * (f - mean);
    var /= static_cast<double>(v.size());
    const double sd = var > 0.0 ? std::sqrt(var) : 1.0;
    for (float& f : v)
        f = static_cast<float>((f - mean) / sd);
}

std::vector<float> NoiseLine(Random& rng, int radius, int passes) {
    std::vector<float> v(kSize);
    for (float& f : v)
        f = rng.Signed();
    for (int p = 0; p < passes; ++p)
        v = BlurWrapped(v, radius);
    Normalise(v);
    return v;
}

uint8_t Clamp(float v) {
    if (v < 0.0f)
        return 0;
    if (v > 255.0f)
        return 255;
    return static_cast<uint8_t>(std::lround(v));
}

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFFu);
    Put16(b, v >> 16);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.bmp>\n", argv[0]);
        return 2;
    }

    Random rng(0x7E3A11C5u);

    // Across the rows: broad soft bands plus a sharper per-row jitter, which
    // together read as the grooves left by a brush.
    const std::vector<float> bands = NoiseLine(rng, 6, 2);
    const std::vector<float> rowJitter = NoiseLine(rng, 0, 0);

    std::vector<float> value(static_cast<size_t>(kSize) * kSize);
    for (int y = 0; y < kSize; ++y) {
        // Along each row: long smooth streaks and shorter scratches.
        const std::vector<float> streak = NoiseLine(rng, 20, 2);
        const std::vector<float> scratch = NoiseLine(rng, 3, 1);
        const float row =
            5.0f * bands[static_cast<size_t>(y)] + 3.5f * rowJitter[static_cast<size_t>(y)];
        for (int x = 0; x < kSize; ++x) {
            const float grain = rng.Signed();
            value[static_cast<size_t>(y) * kSize + static_cast<size_t>(x)] =
                row + 4.0f * streak[static_cast<size_t>(x)] +
                2.0f * scratch[static_cast<size_t>(x)] + 1.5f * grain;
        }
    }

    // Light steel with a cool cast; the rotors tint it with pale vertex colours,
    // so it stays bright enough for those to show.
    const float baseR = 182.0f, baseG = 188.0f, baseB = 199.0f;

    const uint32_t rowBytes = kSize * 3;  // already a multiple of 4
    const uint32_t pixelBytes = rowBytes * kSize;
    const uint32_t offset = 14 + 40;

    std::vector<uint8_t> file;
    file.reserve(offset + pixelBytes);
    file.push_back('B');
    file.push_back('M');
    Put32(file, offset + pixelBytes);
    Put32(file, 0);
    Put32(file, offset);
    Put32(file, 40);
    Put32(file, kSize);
    Put32(file, kSize);  // positive height: bottom row first
    Put16(file, 1);
    Put16(file, 24);
    Put32(file, 0);  // uncompressed
    Put32(file, pixelBytes);
    Put32(file, 2835);  // 72 dpi
    Put32(file, 2835);
    Put32(file, 0);
    Put32(file, 0);

    for (int y = kSize - 1; y >= 0; --y) {
        for (int x = 0; x < kSize; ++x) {
            const float v = value[static_cast<size_t>(y) * kSize + static_cast<size_t>(x)];
            file.push_back(Clamp(baseB + v * 1.05f));
            file.push_back(Clamp(baseG + v));
            file.push_back(Clamp(baseR + v * 0.95f));
        }
    }

    FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::fprintf(stderr, "%s: cannot open %s for writing\n", argv[0], argv[1]);
        return 1;
    }
    const bool ok = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if (std::fclose(out) != 0 || !ok) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
