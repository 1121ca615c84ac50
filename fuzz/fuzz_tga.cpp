// Feeds arbitrary files to the font picture reader. The first three bytes pick
// the size and depth the caller would state; the whole input is the file, as
// its 18-byte header is skipped unread anyway.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/font.h"

namespace {

// One file per process, removed after every read: libFuzzer does not always
// leave through exit handlers.
const std::string& TempPath()
{
    static const std::string path = "/tmp/fuzz_tga_" + std::to_string(getpid()) + ".tga";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3) {
        return 0;
    }
    const int width = data[0] % 64 + 1;
    const int height = data[1] % 64 + 1;
    const int bitsPerPixel = (data[2] & 1) ? 32 : 24;

    FILE* file = std::fopen(TempPath().c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    const bool read = Font::ReadTGA(TempPath().c_str(), rgba.data(), width, height, bitsPerPixel);
    std::remove(TempPath().c_str());
    if (!read) {
        std::abort();
    }
    // The file's first pixel lands at the start of the bottom row.
    const size_t bottom = static_cast<size_t>(height - 1) * width * 4;
    const uint8_t b = size > 18 ? data[18] : 0;
    if (rgba[bottom + 2] != b) {
        std::abort();
    }
    if (bitsPerPixel == 24) {
        for (size_t k = 3; k < rgba.size(); k += 4) {
            if (rgba[k] != 255) {
                std::abort();
            }
        }
    }
    return 0;
}
