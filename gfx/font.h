// Formatted text drawn over the scene from a picture of glyphs in a grid.
#pragma once

#include <cstdint>

// Where one quad of a picture (a glyph's, or any other drawn the same way)
// samples the texture and where it stands on screen.
struct GlyphQuad {
    float s0, s1, t0, t1;
    float x0, x1, y0, y1;
};

// The quad's four corners, each with its texture coordinate, for between
// glBegin(GL_QUADS) and glEnd.
void DrawQuad(const GlyphQuad& q);

class Font {
public:
    Font();
    virtual ~Font();

    // Reads a raw TGA picture of the given size and depth (24 or 32 bits),
    // keeps an RGBA copy and makes a mipmapped texture of it. The charset
    // names the glyphs cell by cell, row by row from the top-left corner.
    // False (bad sizes, a file that cannot be read, no memory) leaves the
    // font exactly as it was: a loaded font goes on printing with its
    // texture, grid, copy and charset, an empty one stays empty.
    bool Load(const char* fileName, int width, int height, int bitsPerPixel, int cellWidth,
              int cellHeight, const char* charset);

    // Mode 0 draws without blending, 1 adds, 2 blends by alpha (32-bit fonts
    // only). Other values are kept and draw like 0.
    bool SetBlendMode(int mode);
    bool SetScale(float scaleX, float scaleY);

    // x and y are fractions of the viewport, from its top-left corner to the
    // top of the first line. Expects the model-view matrix mode and restores
    // it, with both matrices; leaves depth testing on and blending off.
    bool Print(float x, float y, const char* format, ...) __attribute__((format(printf, 4, 5)));

    // The glyph drawn for byte c: the last charset position holding it, or
    // the previous glyph when there is none.
    int FindGlyph(unsigned char c, int previous) const;

    // The one layout of text, Print's and that of anyone who draws the same
    // text another way: calls place(glyph, column, line) for each character,
    // lines counting 0, 1, ... from the top, a '\n' starting the next one.
    // Returns how many lines the text takes (1 for an empty text).
    template <typename Place>
    int LayOut(const char* text, Place&& place) const {
        int column = 0;
        int line = 0;
        int glyph = 0;
        for (const char* p = text; *p != '\0'; ++p) {
            if (*p == '\n') {
                column = 0;
                ++line;
                continue;
            }
            glyph = FindGlyph(static_cast<unsigned char>(*p), glyph);
            place(static_cast<unsigned char>(*p), glyph, column, line);
            ++column;
        }
        return line + 1;
    }

    // The top-left pixel of glyph g's cell in the copy (rows top first);
    // false when the font has no grid or the cell lies outside the picture.
    bool GlyphCell(int glyph, int* x, int* y) const;

    // Whether the glyph grid can be read: cells of some size, at least one
    // to a row of the picture.
    bool HasGrid() const;
    // Whether Print draws anything: a picture, read by a grid.
    bool CanPrint() const;

    // Glyph g at text column i of line j (lines count down from 0, as Print
    // stacks them upwards from its origin). All zero when the font has no
    // glyph grid.
    GlyphQuad Quad(int glyph, int column, int line) const;

    // Gives up the texture, with the context that holds it still current:
    // the name means nothing in another context, and the destructor, which
    // may run after the context is gone, leaves it alone. The copy, grid and
    // charset stay, so a later Load in a new context starts over cleanly.
    void DeleteTexture();

    // Fills destination (width x height x 4 bytes) with the picture as RGBA
    // rows, top row first. The 18-byte header is skipped, not read: size and
    // depth are the caller's. Bytes missing from a short file count as zero.
    // Makes no OpenGL call.
    static bool ReadTGA(const char* fileName, uint8_t* destination, int width, int height,
                        int bitsPerPixel);

    int32_t bitsPerPixel;
    float scaleY;
    float scaleX;
    int32_t blendMode;
    int32_t charCount;
    char charset[256];
    uint8_t* pixels;
    uint32_t textureName;
    int32_t textureHeight;
    int32_t textureWidth;
    int32_t cellWidth;
    int32_t cellHeight;

    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
};
