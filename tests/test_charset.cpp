// Checks the committed character atlas byte by byte, independently of the
// program's own readers: a glyph drawn across a cell edge shows up in the
// overlay as a stray mark beside its neighbour.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::vector<uint8_t> ReadFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t Le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }

TEST(DataFiles, CharsetIsA256By128TgaWithEveryGlyphInsideItsCell)
{
    const int kWidth = 256, kHeight = 128, kCellW = 12, kCellH = 17, kColumns = 21;
    const int kGlyphs = 95, kSpace = 94;
    const std::vector<uint8_t> tga = ReadFile(TEMPOLA_SOURCE_DIR "/data/charset.tga");
    ASSERT_GE(tga.size(), 18 + size_t(kWidth) * kHeight * 3);
    // The font reads the pixels from byte 18 on, bottom row first, unread header.
    EXPECT_EQ(tga[0], 0);  // no id field
    EXPECT_EQ(tga[1], 0);  // no colour map
    EXPECT_EQ(tga[2], 2);  // uncompressed true colour
    EXPECT_EQ(Le16(tga, 12), 256u);
    EXPECT_EQ(Le16(tga, 14), 128u);
    EXPECT_EQ(tga[16], 24);
    EXPECT_EQ(tga[17] & 0x30, 0);  // bottom-left origin

    int brightest[kColumns * 5] = {};
    int stray = 0;
    for (int r = 0; r < kHeight; ++r) {
        const int y = kHeight - 1 - r;
        for (int x = 0; x < kWidth; ++x) {
            const size_t at = 18 + (size_t(r) * kWidth + x) * 3;
            const int v = std::max({tga[at], tga[at + 1], tga[at + 2]});
            const int col = x / kCellW, row = y / kCellH, cell = row * kColumns + col;
            // Anything here would be picked up by a neighbour or a spare cell.
            if (v > 0 && (col >= kColumns || row >= 5 || cell >= kGlyphs || cell == kSpace ||
                          x % kCellW == kCellW - 1 || y % kCellH == kCellH - 1)) {
                ++stray;
            } else if (v > 0) {
                brightest[cell] = std::max(brightest[cell], v);
            }
        }
    }
    EXPECT_EQ(stray, 0);
    for (int cell = 0; cell < kGlyphs; ++cell) {
        EXPECT_GE(brightest[cell], cell == kSpace ? 0 : 192) << "glyph " << cell << " is faint";
    }
}

}  // namespace
