// The BMP reader against stb_image on one 2048 x 2048 24-bit picture, in the
// same run, with the ratio at the end (above 1: ours is faster).
//
//   bmp_reader [Google Benchmark options]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <stb/stb_image.h>

#include "gfx/image.h"

namespace {

constexpr uint32_t kSide = 2048;
std::string picturePath;

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

// A bottom-up 24-bit file with busy content, so neither reader meets long
// runs of equal bytes.
bool WritePicture(const std::string& path) {
    const uint32_t rowBytes = kSide * 3;  // already a multiple of 4
    const uint32_t dataBytes = rowBytes * kSide;
    std::vector<uint8_t> file(54 + size_t(dataBytes));
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 2, uint32_t(file.size()));
    Put32(file, 10, 54);
    Put32(file, 14, 40);
    Put32(file, 18, kSide);
    Put32(file, 22, kSide);
    file[26] = 1;
    file[28] = 24;
    Put32(file, 34, dataBytes);
    uint32_t state = 12345;
    for (size_t i = 54; i < file.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        file[i] = static_cast<uint8_t>(state >> 24);
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(file.data(), file.size(), 1, f) == 1;
    return std::fclose(f) == 0 && ok;
}

void Ours(benchmark::State& state) {
    for (auto _ : state) {
        Image image;
        if (!LoadBMP(picturePath.c_str(), &image) || image.width != kSide) {
            state.SkipWithError("LoadBMP failed");
            break;
        }
        benchmark::DoNotOptimize(image.pixels);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kSide * kSide * 3);
}

void Stb(benchmark::State& state) {
    for (auto _ : state) {
        int w = 0;
        int h = 0;
        int n = 0;
        stbi_uc* pixels = stbi_load(picturePath.c_str(), &w, &h, &n, 3);
        if (pixels == nullptr || w != int(kSide)) {
            state.SkipWithError("stbi_load failed");
            break;
        }
        benchmark::DoNotOptimize(pixels);
        benchmark::ClobberMemory();
        stbi_image_free(pixels);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kSide * kSide * 3);
}

BENCHMARK(Ours)->Name("LoadBMP_2048x2048x24")->Unit(benchmark::kMillisecond)->Repetitions(7);
BENCHMARK(Stb)->Name("stbi_load_2048x2048x24")->Unit(benchmark::kMillisecond)->Repetitions(7);

// Prints as usual and keeps the medians for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.aggregate_name == "median") {
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;
};

}  // namespace

int main(int argc, char** argv) {
    char pattern[] = "/tmp/tempola-bench-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd < 0) {
        std::perror("mkstemp");
        return 1;
    }
    close(fd);
    picturePath = pattern;
    if (!WritePicture(picturePath)) {
        std::fprintf(stderr, "cannot write %s\n", pattern);
        std::remove(pattern);
        return 1;
    }

    // Repetitions of the two alternate rather than run in two blocks.
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::remove(pattern);

    const double ours = reporter.medians["LoadBMP_2048x2048x24"];
    const double stb = reporter.medians["stbi_load_2048x2048x24"];
    if (ours > 0.0 && stb > 0.0) {
        std::printf("median LoadBMP %.2f ms, stbi_load %.2f ms, stb/ours = %.2f\n", ours, stb,
                    stb / ours);
    }
    return 0;
}
