// Checks the committed character atlas byte by byte, independently of the
// program's own readers: a glyph drawn across a cell edge shows up in the
// overlay as a stray mark beside its neighbour.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#include "demo/charset.h"

TEST(DataFiles, CharsetHasEveryGlyphInsideItsCellAndTheSpaceEmpty) {
    const int kWidth = 256, kHeight = 128, kCellW = 12, kCellH = 17, kColumns = 21, kGlyphs = 95;
    std::ifstream in(TEMPOLA_SOURCE_DIR "/data/charset.tga", std::ios::binary);
    const std::vector<uint8_t> tga{std::istreambuf_iterator<char>(in), {}};
    // Read as the font reads it: 24-bit pixels from byte 18 on, bottom row first.
    ASSERT_GE(tga.size(), 18 + size_t(kWidth) * kHeight * 3);
    int brightest[kColumns * 5] = {};
    int stray = 0;
    for (int r = 0; r < kHeight; ++r) {
        const int y = kHeight - 1 - r;
        for (int x = 0; x < kWidth; ++x) {
            const size_t at = 18 + (size_t(r) * kWidth + x) * 3;
            const int v = std::max({tga[at], tga[at + 1], tga[at + 2]});
            const int col = x / kCellW, row = y / kCellH, cell = row * kColumns + col;
            // Anything here would be picked up by a neighbour or a spare cell.
            if (v > 0 &&
                (col >= kColumns || row >= 5 || cell >= kGlyphs || kOverlayCharset[cell] == ' ' ||
                 x % kCellW == kCellW - 1 || y % kCellH == kCellH - 1)) {
                ++stray;
            } else if (v > 0) {
                brightest[cell] = std::max(brightest[cell], v);
            }
        }
    }
    EXPECT_EQ(stray, 0);
    for (int cell = 0; cell < kGlyphs; ++cell) {
        EXPECT_GE(brightest[cell], kOverlayCharset[cell] == ' ' ? 0 : 192)
            << "glyph " << kOverlayCharset[cell] << " is faint";
    }
}
