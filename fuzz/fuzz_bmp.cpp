// Feeds arbitrary bytes to the BMP reader through a file, since it only reads
// from files, and checks that whatever it accepts is a consistent picture.
#include "gfx/image.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/tempola_fuzz_bmp_" + std::to_string(getpid()) + ".bmp";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return 0;
    const bool written = size == 0 || std::fwrite(data, size, 1, f) == 1;
    std::fclose(f);
    // A picture loaded before must survive a refusal or be replaced whole.
    Image image;
    if (!written || !image.Create(1, 1, 24))
        return 0;
    image.pixels[0] = 0x5A;
    uint8_t* before = image.pixels;
    const bool loaded = LoadBMP(path.c_str(), &image);
    // Removed every time: libFuzzer may end the process without running exit handlers.
    std::remove(path.c_str());
    if (loaded) {
        const uint32_t bytesPerPixel = (image.bitsPerPixel + 7) / 8;
        if (image.pixels == nullptr || image.width == 0 || image.height == 0 ||
            image.pitch != image.width * bytesPerPixel ||
            image.size != uint64_t(image.pitch) * image.height)
            std::abort();
        // Touch both ends so ASan sees any short block.
        volatile uint8_t sink = image.pixels[0] ^ image.pixels[image.size - 1];
        (void)sink;
    } else if (image.pixels != nullptr &&
               (image.pixels != before || image.pixels[0] != 0x5A || image.size != 3)) {
        std::abort();
    }
    return 0;
}
