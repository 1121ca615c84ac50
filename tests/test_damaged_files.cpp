// Damaged picture files: every prefix of a good file, and for the font's
// reader a few hundred copies with random bytes changed (the fuzz targets do
// the same at length for both readers). Whatever the readers say, they must say it
// without touching memory they do not own (the sanitizer build checks that),
// and a picture they accept must be the size its file declares.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "gfx/font.h"
#include "gfx/image.h"

#include "bmp_file.h"
#include "temp_file.h"

namespace {

uint32_t Get(const Bytes& b, size_t at) {
    return b[at] | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// A 7 x 5 picture; an 8-bit one carries a 256-entry palette. Negative
// height: top-down rows.
Bytes MakeBmp(int bitsPerPixel, int32_t height) {
    Bytes pixels(((7 * uint32_t(bitsPerPixel) / 8 + 3) & ~3u) * 5);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<uint8_t>(i * 37 + 11);
    }
    return ::MakeBmp(7, height, uint16_t(bitsPerPixel), pixels, 40, bitsPerPixel == 8 ? 1024 : 0);
}

class DamagedFileTest : public ::testing::Test {
protected:
    TempFile file{"damaged"};

    void Write(const Bytes& b, size_t length) {
        FILE* f = std::fopen(file.path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        if (length > 0) {
            ASSERT_EQ(std::fwrite(b.data(), length, 1, f), 1u);
        }
        std::fclose(f);
    }

    // Loads the file over a 1 x 1 picture. An accepted picture must match the
    // header's width, height and depth, with consistent row and block sizes;
    // a refused one leaves the earlier picture alone.
    bool LoadAndCheck(const Bytes& bytes) {
        Image image;
        EXPECT_TRUE(image.Create(1, 1, 24));
        image.pixels[0] = 0xA5;
        if (!LoadBMP(file.path.c_str(), &image)) {
            EXPECT_EQ(image.width, 1u);
            EXPECT_EQ(image.size, 3u);
            EXPECT_EQ(image.pixels[0], 0xA5);
            return false;
        }
        const int32_t height = int32_t(Get(bytes, 22));
        const uint32_t bitsPerPixel = Get(bytes, 28) & 0xFFFF;
        EXPECT_EQ(image.width, Get(bytes, 18));
        EXPECT_EQ(int64_t(image.height), height < 0 ? -int64_t(height) : int64_t(height));
        EXPECT_EQ(image.bitsPerPixel, bitsPerPixel);
        EXPECT_EQ(image.pitch, image.width * (bitsPerPixel / 8));
        EXPECT_EQ(uint64_t(image.size), uint64_t(image.pitch) * image.height);
        // Every byte is read, so a short block shows up under the sanitizers.
        volatile unsigned sum = 0;
        for (uint32_t i = 0; i < image.size; ++i) {
            sum = sum + image.pixels[i];
        }
        return true;
    }
};

TEST_F(DamagedFileTest, EveryBmpPrefixIsRefusedAndTheWholeFileLoads) {
    const Bytes files[] = {MakeBmp(24, 5), MakeBmp(8, -5), MakeBmp(32, -5)};
    for (const Bytes& good : files) {
        for (size_t length = 0; length < good.size(); ++length) {
            Write(good, length);
            EXPECT_FALSE(LoadAndCheck(good)) << "prefix of " << length << " bytes";
        }
        Write(good, good.size());
        EXPECT_TRUE(LoadAndCheck(good));
    }
}

TEST_F(DamagedFileTest, FontPictureReadsEveryPrefixAndChangedCopyWithinItsSize) {
    std::mt19937 random(7);
    const struct {
        int width, height, bitsPerPixel;
    } shapes[] = {{12, 5, 24}, {6, 4, 32}};
    for (const auto& s : shapes) {
        // As the font reads it: 18 header bytes, then bottom row first.
        Bytes good(18 + size_t(s.width) * s.height * (s.bitsPerPixel / 8));
        for (size_t i = 0; i < good.size(); ++i) {
            good[i] = static_cast<uint8_t>(i * 53 + 7);
        }
        const size_t rgbaBytes = size_t(s.width) * s.height * 4;
        std::vector<uint8_t> out(rgbaBytes + 64);
        for (size_t length = 0; length <= good.size() + 300; ++length) {
            Bytes changed = good;
            // Past the full length: the picture with random bytes changed.
            for (int c = 0; length > good.size() && c < 4; ++c) {
                changed[random() % changed.size()] = static_cast<uint8_t>(random());
            }
            Write(changed, std::min(length, changed.size()));
            std::fill(out.begin(), out.end(), 0xEE);
            ASSERT_TRUE(Font::ReadTGA(file.path.c_str(), out.data(), s.width, s.height,
                                      s.bitsPerPixel));
            // The whole declared picture and nothing past it: missing bytes
            // read as zero, so a 24-bit picture's alpha is always 255.
            for (size_t i = 3; s.bitsPerPixel == 24 && i < rgbaBytes; i += 4) {
                ASSERT_EQ(out[i], 255) << "length " << length;
            }
            for (size_t i = rgbaBytes; i < out.size(); ++i) {
                ASSERT_EQ(out[i], 0xEE) << "wrote past the picture, length " << length;
            }
        }
    }
}

}  // namespace
