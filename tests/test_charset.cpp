// Checks the committed pictures in data/ byte by byte, independently of the
// program's own readers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    uint8_t buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return bytes;
}

uint32_t Le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t Le32(const std::vector<uint8_t>& b, size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }

const int kWidth = 256, kHeight = 128, kCellW = 12, kCellH = 17, kColumns = 21;
const int kGlyphs = 95, kSpace = 94;

TEST(DataFiles, CharsetIsA256By128TrueColourTga)
{
    const std::vector<uint8_t> tga = ReadFile(TEMPOLA_SOURCE_DIR "/data/charset.tga");
    const size_t pixelBytes = size_t(kWidth) * kHeight * 3;
    ASSERT_GE(tga.size(), 18 + pixelBytes);
    EXPECT_TRUE(tga.size() == 18 + pixelBytes || tga.size() == 18 + pixelBytes + 26) << tga.size();
    EXPECT_EQ(tga[0], 0);  // no id field, so the pixels start at byte 18
    EXPECT_EQ(tga[1], 0);  // no colour map
    EXPECT_EQ(tga[2], 2);  // uncompressed true colour
    EXPECT_EQ(Le16(tga, 12), 256u);
    EXPECT_EQ(Le16(tga, 14), 128u);
    EXPECT_EQ(tga[16], 24);
    EXPECT_EQ(tga[17] & 0x30, 0);  // bottom-left origin
}

TEST(DataFiles, CharsetInkStaysInsideItsCells)
{
    const std::vector<uint8_t> tga = ReadFile(TEMPOLA_SOURCE_DIR "/data/charset.tga");
    ASSERT_GE(tga.size(), 18 + size_t(kWidth) * kHeight * 3);

    int brightest[kColumns * 5] = {};
    int stray = 0;
    for (int r = 0; r < kHeight; ++r) {
        const int y = kHeight - 1 - r;  // file rows run bottom up
        for (int x = 0; x < kWidth; ++x) {
            const size_t at = 18 + (size_t(r) * kWidth + x) * 3;
            const int v = std::max({tga[at], tga[at + 1], tga[at + 2]});
            if (v == 0)
                continue;
            const int col = x / kCellW, row = y / kCellH, cell = row * kColumns + col;
            // Anything here would be picked up by a neighbour or a spare cell.
            if (col >= kColumns || row >= 5 || cell >= kGlyphs || cell == kSpace ||
                x % kCellW == kCellW - 1 || y % kCellH == kCellH - 1) {
                if (++stray <= 5)
                    ADD_FAILURE() << "ink at " << x << "," << y << " (cell " << cell << ")";
                continue;
            }
            brightest[cell] = std::max(brightest[cell], v);
        }
    }
    EXPECT_EQ(stray, 0);
    for (int cell = 0; cell < kGlyphs; ++cell) {
        if (cell != kSpace) {
            EXPECT_GE(brightest[cell], 192) << "glyph " << cell << " is missing or faint";
        }
    }
}

TEST(DataFiles, MetalIsAnUncompressed24BitBmpWithTexture)
{
    const std::vector<uint8_t> bmp = ReadFile(TEMPOLA_SOURCE_DIR "/data/metal2.bmp");
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(Le32(bmp, 14), 40u);
    EXPECT_EQ(Le32(bmp, 18), 256u);
    EXPECT_EQ(Le32(bmp, 22), 256u);
    EXPECT_EQ(Le16(bmp, 28), 24u);
    EXPECT_EQ(Le32(bmp, 30), 0u);
    const uint32_t offset = Le32(bmp, 10);
    ASSERT_GE(offset, 54u);
    ASSERT_GE(bmp.size(), offset + 256u * 256u * 3u);

    double sum = 0, squares = 0;
    const size_t n = 256u * 256u * 3u;
    for (size_t i = 0; i < n; ++i) {
        sum += bmp[offset + i];
        squares += double(bmp[offset + i]) * bmp[offset + i];
    }
    const double mean = sum / n, variance = squares / n - mean * mean;
    EXPECT_GT(mean, 120.0);  // light enough for the vertex colours to tint
    EXPECT_GT(variance, 4.0);
}

}  // namespace
