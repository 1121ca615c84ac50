#include "gfx/image.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "bmp_file.h"

namespace {

std::string WriteFile(const std::string& name, const Bytes& bytes) {
    const std::string path = ::testing::TempDir() + "tempola_image_" + name + ".bmp";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

Bytes Pixels(const Image& image) {
    return Bytes(image.pixels, image.pixels + image.size);
}

}  // namespace

TEST(ImageBmp, LoadsEachDepthRowOrderAndHeader) {
    struct Case {
        const char* name;
        Bytes file;
        uint32_t width, height, bpp;
        Bytes expected;
    } cases[] = {
        // 3 wide at 24 bits: three fill bytes per row; bottom row stored first.
        {"rgb24_w3",
         MakeBmp(3, 2, 24,
                 {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0}),
         3,
         2,
         24,
         {13, 12, 11, 16, 15, 14, 19, 18, 17, 3, 2, 1, 6, 5, 4, 9, 8, 7}},
        // 2 wide, top-down: rows stay in file order.
        {"rgb24_w2_topdown",
         MakeBmp(2, -2, 24, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}),
         2,
         2,
         24,
         {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}},
        {"rgba32",
         MakeBmp(1, 2, 32, {10, 20, 30, 40, 50, 60, 70, 80}),
         1,
         2,
         32,
         {70, 60, 50, 80, 30, 20, 10, 40}},
        // Palette indices are kept; the 16-byte palette before them is skipped.
        {"pal8", MakeBmp(3, 2, 8, {0, 1, 2, 9, 3, 2, 1, 9}, 40, 16), 3, 2, 8, {3, 2, 1, 0, 1, 2}},
        {"info124", MakeBmp(1, 1, 24, {1, 2, 3, 0}, 124), 1, 1, 24, {3, 2, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Every prefix of the file is refused (the sanitizer build sees any
        // read past a short block).
        for (size_t length = 0; length < c.file.size(); ++length) {
            const Bytes prefix(c.file.begin(), c.file.begin() + length);
            Image cut;
            EXPECT_FALSE(cut.Load(WriteFile("prefix", prefix).c_str(), LoadBMP)) << length;
        }
        Image image;
        ASSERT_TRUE(image.Load(WriteFile(c.name, c.file).c_str(), LoadBMP));
        const std::vector<uint32_t> header = {image.width, image.height, image.bitsPerPixel,
                                              image.pitch};
        EXPECT_EQ(header, (std::vector<uint32_t>{c.width, c.height, c.bpp, c.width * c.bpp / 8}));
        EXPECT_EQ(Pixels(image), c.expected);
    }
}

TEST(ImageBmp, RefusalsLeaveTheImageAsItWas) {
    const Bytes good = MakeBmp(2, 2, 24, Bytes(16, 7));
    // Name, where to patch (0: nowhere), the value and its byte count, bytes kept.
    const size_t all = good.size();
    struct Case {
        const char* name;
        size_t at;
        uint64_t value;
        int count;
        size_t keep;
    } cases[] = {
        {"magic_BA", 1, 'A', 1, all},
        {"rle8", 30, 1, 4, all},
        {"rle4", 30, 2, 4, all},
        {"bitfields", 30, 3, 4, all},
        {"bpp16", 28, 16, 2, all},
        {"bpp1", 28, 1, 2, all},
        {"bpp4", 28, 4, 2, all},
        {"width0", 18, 0, 4, all},
        {"width_neg", 18, uint32_t(-2), 4, all},
        {"height0", 22, 0, 4, all},
        {"height_min", 22, 0x80000000u, 4, all},
        {"core_header", 14, 12, 4, all},
        {"short_pixels", 0, 0, 0, all - 1},
        {"short_info", 0, 0, 0, 30},
        {"empty", 0, 0, 0, 0},
        {"huge_claim", 18, 30000 | 30000ull << 32, 8, all},  // width and height
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file(good.begin(), good.begin() + c.keep);
        if (c.at != 0)
            Put(file, c.at, c.value, c.count);
        Image image;
        ASSERT_TRUE(image.Create(1, 1, 24));
        image.pixels[0] = 0x5A;
        uint8_t* before = image.pixels;
        EXPECT_FALSE(LoadBMP(WriteFile(c.name, file).c_str(), &image));
        EXPECT_EQ(image.pixels, before);
        EXPECT_EQ(image.pixels[0], 0x5A);
        EXPECT_EQ(image.size, 3u);
    }
    Image image;
    EXPECT_FALSE(image.Load((::testing::TempDir() + "tempola_image_missing.bmp").c_str(), LoadBMP));
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_FALSE(LoadBMP(WriteFile("good", good).c_str(), nullptr));
}

TEST(ImageCreate, SizesFailuresAndFree) {
    Image image;
    ASSERT_TRUE(image.Create(3, 2, 16));
    EXPECT_EQ(image.pitch, 6u);
    EXPECT_EQ(image.size, 12u);
    // Fails after freeing: the old picture is gone.
    EXPECT_FALSE(image.Create(0, 10, 24));
    EXPECT_EQ(image.width | image.height | image.bitsPerPixel | image.pitch | image.size, 0u);
    // Byte counts past 32 bits, including a depth whose rounding would wrap.
    EXPECT_FALSE(image.Create(65536, 65536, 32));
    EXPECT_FALSE(image.Create(UINT32_MAX, 1, UINT32_MAX));
    image.Free();
    image.Free();
    EXPECT_EQ(image.pixels, nullptr);
}
