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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) {
        return 0;
    }
    const int width = data[0] % 64 + 1;
    const int height = data[1] % 64 + 1;
    const int bitsPerPixel = (data[2] & 1) ? 32 : 24;
    // One file per process, removed after every read: libFuzzer does not
    // always leave through exit handlers.
    static const std::string path = "/tmp/fuzz_tga_" + std::to_string(getpid()) + ".tga";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    const bool read = Font::ReadTGA(path.c_str(), rgba.data(), width, height, bitsPerPixel);
    std::remove(path.c_str());
    // The file's first pixel lands at the start of the bottom row; a 24-bit
    // picture is opaque throughout.
    const size_t bottom = static_cast<size_t>(height - 1) * width * 4;
    if (!read || rgba[bottom + 2] != (size > 18 ? data[18] : 0)) {
        std::abort();
    }
    for (size_t k = 3; bitsPerPixel == 24 && k < rgba.size(); k += 4) {
        if (rgba[k] != 255) {
            std::abort();
        }
    }
    return 0;
}
