// Writes the overlay font picture: a 256 x 128 uncompressed 24-bit TGA holding
// a 21 x 5 grid of 12 x 17 glyph cells, light anti-aliased glyphs on black,
// rendered from a TrueType font.
//
// usage: make_charset [font.ttf [digits.ttf]] <output.tga>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "demo/charset.h"

namespace {

const char* const kDefaultFont = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";
// The digits come from the proportional face of the same family: its zero is
// a plain oval. The monospaced zero carries a dot that, six pixels wide on
// screen, reads as an 8 or an @.
const char* const kDefaultDigitFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

const int kWidth = 256;
const int kHeight = 128;
const int kCellWidth = 12;
const int kCellHeight = 17;
const int kColumns = kWidth / kCellWidth;

// The program draws cell texels 0..11 across and 0..16 down but its far edges
// stop one texel short, and linear filtering reaches half a texel beyond the
// near ones; a one-pixel frame of black keeps each glyph clear of its
// neighbours' ink.
const int kInkLeft = 1;
const int kInkTop = 1;
const int kInkWidth = kCellWidth - 2;
const int kInkHeight = kCellHeight - 2;

// On screen a cell is shown about 0.53 times its width and 0.71 times its
// height, so glyphs are drawn wider than their natural shape to come out
// with normal proportions.
const int kWidenPercent = 130;

struct Glyph {
    int width = 0;
    int rows = 0;
    int top = 0;  // rows above the baseline
    std::vector<uint8_t> coverage;
};

bool RenderAll(FT_Face textFace, FT_Face digitFace, int xSize, int ySize,
               std::vector<Glyph>& glyphs) {
    if (FT_Set_Pixel_Sizes(textFace, static_cast<FT_UInt>(xSize), static_cast<FT_UInt>(ySize)) !=
            0 ||
        FT_Set_Pixel_Sizes(digitFace, static_cast<FT_UInt>(xSize), static_cast<FT_UInt>(ySize)) !=
            0)
        return false;
    glyphs.clear();
    for (const char* p = kOverlayCharset; *p; ++p) {
        Glyph g;
        const FT_Face face = (*p >= '0' && *p <= '9') ? digitFace : textFace;
        if (*p != ' ') {
            const FT_UInt index =
                FT_Get_Char_Index(face, static_cast<FT_ULong>(static_cast<unsigned char>(*p)));
            if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0 ||
                FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0)
                return false;
            const FT_Bitmap& bm = face->glyph->bitmap;
            if (bm.pixel_mode != FT_PIXEL_MODE_GRAY)
                return false;
            g.width = static_cast<int>(bm.width);
            g.rows = static_cast<int>(bm.rows);
            g.top = face->glyph->bitmap_top;
            g.coverage.resize(static_cast<size_t>(g.width) * static_cast<size_t>(g.rows));
            for (int y = 0; y < g.rows; ++y)
                for (int x = 0; x < g.width; ++x)
                    g.coverage[static_cast<size_t>(y * g.width + x)] = bm.buffer[y * bm.pitch + x];
        }
        glyphs.push_back(std::move(g));
    }
    return true;
}

// Ascent and descent over the whole set, so every glyph shares one baseline.
void Extent(const std::vector<Glyph>& glyphs, int& ascent, int& descent, int& widest) {
    ascent = descent = widest = 0;
    for (const Glyph& g : glyphs) {
        if (g.rows == 0)
            continue;
        ascent = std::max(ascent, g.top);
        descent = std::max(descent, g.rows - g.top);
        widest = std::max(widest, g.width);
    }
}

bool WriteTga(const char* path, const std::vector<uint8_t>& grey) {
    uint8_t header[18] = {};
    header[2] = 2;  // uncompressed true colour
    header[12] = kWidth & 0xFF;
    header[13] = kWidth >> 8;
    header[14] = kHeight & 0xFF;
    header[15] = kHeight >> 8;
    header[16] = 24;
    header[17] = 0;  // bottom-left origin

    std::vector<uint8_t> file(header, header + sizeof header);
    for (int r = 0; r < kHeight; ++r) {
        const int y = kHeight - 1 - r;  // bottom row first
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t v = grey[static_cast<size_t>(y * kWidth + x)];
            file.insert(file.end(), {v, v, v});
        }
    }

    FILE* out = std::fopen(path, "wb");
    if (!out)
        return false;
    const bool ok = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: %s [font.ttf [digits.ttf]] <output.tga>\n", argv[0]);
        return 2;
    }
    const char* fontPath = argc >= 3 ? argv[1] : kDefaultFont;
    const char* digitPath = argc == 4 ? argv[2] : kDefaultDigitFont;
    const char* outPath = argv[argc - 1];

    FT_Library library;
    if (FT_Init_FreeType(&library) != 0) {
        std::fprintf(stderr, "%s: cannot start FreeType\n", argv[0]);
        return 1;
    }
    FT_Face face;
    FT_Face digitFace;
    if (FT_New_Face(library, fontPath, 0, &face) != 0) {
        std::fprintf(stderr, "%s: cannot read font %s\n", argv[0], fontPath);
        FT_Done_FreeType(library);
        return 1;
    }
    if (FT_New_Face(library, digitPath, 0, &digitFace) != 0) {
        std::fprintf(stderr, "%s: cannot read font %s\n", argv[0], digitPath);
        FT_Done_Face(face);
        FT_Done_FreeType(library);
        return 1;
    }

    // The largest size whose whole set fits the inked part of a cell.
    std::vector<Glyph> glyphs;
    int ascent = 0, descent = 0, widest = 0;
    bool fitted = false;
    bool rendered = true;
    for (int ySize = 16; ySize >= 8 && !fitted && rendered; --ySize) {
        for (int xSize = ySize * kWidenPercent / 100; xSize >= ySize * 3 / 4; --xSize) {
            rendered = RenderAll(face, digitFace, xSize, ySize, glyphs);
            if (!rendered)
                break;
            Extent(glyphs, ascent, descent, widest);
            if (ascent + descent > kInkHeight)
                break;  // too tall at any width; try a smaller height
            if (widest <= kInkWidth) {
                fitted = true;
                std::fprintf(stderr, "%s: %d x %d px\n", argv[0], xSize, ySize);
                break;
            }
        }
    }
    FT_Done_Face(digitFace);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    if (!rendered) {
        std::fprintf(stderr, "%s: %s lacks a glyph or cannot be rendered\n", argv[0], fontPath);
        return 1;
    }
    if (!fitted) {
        std::fprintf(stderr, "%s: no size of %s fits a %d x %d cell\n", argv[0], fontPath,
                     kCellWidth, kCellHeight);
        return 1;
    }

    std::vector<uint8_t> grey(static_cast<size_t>(kWidth) * kHeight, 0);
    const int baseline = kInkTop + (kInkHeight - ascent - descent + 1) / 2 + ascent;
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& g = glyphs[i];
        const int cellX = static_cast<int>(i) % kColumns * kCellWidth;
        const int cellY = static_cast<int>(i) / kColumns * kCellHeight;
        const int x0 = cellX + kInkLeft + (kInkWidth - g.width) / 2;
        const int y0 = cellY + baseline - g.top;
        for (int y = 0; y < g.rows; ++y)
            for (int x = 0; x < g.width; ++x)
                grey[static_cast<size_t>((y0 + y) * kWidth + x0 + x)] =
                    g.coverage[static_cast<size_t>(y * g.width + x)];
    }

    if (!WriteTga(outPath, grey)) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], outPath);
        return 1;
    }
    return 0;
}
