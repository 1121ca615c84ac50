#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "demo/charset.h"
#include "gfx/font.h"
#include "gl_test_context.h"

namespace {

// A raw TGA: a header that is never read, then rows bottom first; only its
// first `keep` bytes when asked.
std::string WriteTGA(const char* name, const std::vector<uint8_t>& pixelBytes,
                     size_t keep = std::string::npos) {
    const std::string path = ::testing::TempDir() + name + std::to_string(getpid()) + ".tga";
    const std::string bytes =
        std::string(18, '\xEE') + std::string(pixelBytes.begin(), pixelBytes.end());
    std::ofstream(path, std::ios::binary) << bytes.substr(0, keep);
    return path;
}

// 32 x 16 at 24 bits, 8 x 8 cells: red, green, blue, white on the top row.
std::string WriteAtlas() {
    const uint8_t bgr[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}};
    std::vector<uint8_t> bytes(32 * 16 * 3, 0);
    for (int y = 8; y < 16; ++y) {
        for (int x = 0; x < 32; ++x) {
            std::memcpy(&bytes[(y * 32 + x) * 3], bgr[x / 8], 3);
        }
    }
    return WriteTGA("atlas", bytes);
}

}  // namespace

TEST(FontTest, ReadTGAConvertsRowsAndDepths) {
    // Two rows of two pixels, bottom row first in the file.
    const std::string path24 = WriteTGA("rgb", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    uint8_t out[16];
    ASSERT_TRUE(Font::ReadTGA(path24.c_str(), out, 2, 2, 24));
    const uint8_t want24[16] = {9, 8, 7, 255, 12, 11, 10, 255, 3, 2, 1, 255, 6, 5, 4, 255};
    EXPECT_EQ(0, std::memcmp(out, want24, 16));

    ASSERT_TRUE(Font::ReadTGA(path24.c_str(), out, 2, 2, 32));
    const uint8_t want32[16] = {11, 10, 9, 12, 0, 0, 0, 0, 3, 2, 1, 4, 7, 6, 5, 8};
    EXPECT_EQ(0, std::memcmp(out, want32, 16)) << "the file ends after 12 pixel bytes";

    EXPECT_FALSE(Font::ReadTGA("/nonexistent/font.tga", out, 2, 2, 24));
    EXPECT_FALSE(Font::ReadTGA(path24.c_str(), out, 0, 2, 24));
    EXPECT_FALSE(Font::ReadTGA(path24.c_str(), out, 2, 2, 7));
    EXPECT_FALSE(Font::ReadTGA(path24.c_str(), out, 0x7fffffff, 0x7fffffff, 0x7ffffff8));
    std::remove(path24.c_str());
}

TEST(FontTest, ReadTGAOfEveryPrefixAndChangedCopyStaysWithinThePicture) {
    std::mt19937 random(7);
    for (int bits : {24, 32}) {
        const int width = bits == 24 ? 12 : 6, height = bits == 24 ? 5 : 4;
        std::vector<uint8_t> good(size_t(width) * height * bits / 8);
        for (size_t i = 0; i < good.size(); ++i)
            good[i] = static_cast<uint8_t>(i * 53 + 7);
        const size_t rgbaBytes = size_t(width) * height * 4;
        std::vector<uint8_t> out(rgbaBytes + 64);
        // Past the full length: the picture with random bytes changed.
        for (size_t length = 0; length <= 18 + good.size() + 300; ++length) {
            std::vector<uint8_t> bytes = good;
            for (int c = 0; length > 18 + good.size() && c < 4; ++c)
                bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
            const std::string path = WriteTGA("damaged", bytes, length);
            std::fill(out.begin(), out.end(), 0xEE);
            ASSERT_TRUE(Font::ReadTGA(path.c_str(), out.data(), width, height, bits));
            std::remove(path.c_str());
            // The whole declared picture and nothing past it: missing bytes
            // read as zero, so a 24-bit picture's alpha is always 255.
            for (size_t i = 3; bits == 24 && i < rgbaBytes; i += 4)
                ASSERT_EQ(out[i], 255) << "length " << length;
            for (size_t i = rgbaBytes; i < out.size(); ++i)
                ASSERT_EQ(out[i], 0xEE) << "wrote past the picture, length " << length;
        }
    }
}

TEST(FontTest, GlyphSearchAndArithmetic) {
    Font font;
    EXPECT_FALSE(font.Print(0, 0, "a"));
    EXPECT_FALSE(font.SetBlendMode(2));
    EXPECT_TRUE(font.SetBlendMode(3));
    EXPECT_FALSE(font.Load("/nonexistent/font.tga", 256, 128, 24, 12, 17, kOverlayCharset));
    EXPECT_FALSE(font.Print(0, 0, "a")) << "a font never loaded has no grid to print with";

    std::strcpy(font.charset, kOverlayCharset);
    font.charCount = 96;
    font.textureWidth = 256;
    font.textureHeight = 128;
    font.cellWidth = 12;
    font.cellHeight = 17;
    EXPECT_EQ(font.FindGlyph(' ', 0), 94);
    EXPECT_EQ(font.FindGlyph('\r', 5), 5);
    std::strncpy(font.charset, "xyx\r", sizeof font.charset);
    EXPECT_EQ(font.FindGlyph('x', 0), 2);
    EXPECT_EQ(font.FindGlyph('\r', 0), 3);

    GlyphQuad q = font.Quad(21, 0, 0);
    EXPECT_EQ(q.s0, 0.0f);
    EXPECT_EQ(q.s1, 11.0f / 256);
    EXPECT_EQ(q.t0, 17.0f / 128);
    EXPECT_EQ(q.t1, 33.0f / 128);
    font.SetScale(1.0f, 1.25f);
    q = font.Quad(94, 2, -1);
    EXPECT_EQ(q.s0, 120.0f / 256);
    EXPECT_EQ(q.t0, 68.0f / 128);
    EXPECT_FLOAT_EQ(q.x0, 0.02f);
    EXPECT_FLOAT_EQ(q.x1, 0.03f);
    EXPECT_FLOAT_EQ(q.y0, -0.025f);
    EXPECT_FLOAT_EQ(q.y1, -0.05f);
}

class FontDrawTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        glClear(GL_COLOR_BUFFER_BIT);
        atlas = WriteAtlas();
        ASSERT_TRUE(font.Load(atlas.c_str(), 32, 16, 24, 8, 8, "rgbw"));
        // A character a quarter of the 64-pixel window on each side.
        font.SetScale(25.0f, 12.5f);
    }
    void TearDown() override { std::remove(atlas.c_str()); }

    std::vector<uint8_t> Pixel(int x, int yFromTop) {
        std::vector<uint8_t> rgb(3);
        glReadPixels(x, 63 - yFromTop, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    }
    using Rgb = std::vector<uint8_t>;

    std::string atlas;
    Font font;
};

TEST_F(FontDrawTest, DrawsTextAndRestoresState) {
    glMatrixMode(GL_PROJECTION);
    glOrtho(-2, 3, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);
    glEnable(GL_BLEND);
    GLfloat before[2][16], after[2][16];
    glGetFloatv(GL_PROJECTION_MATRIX, before[0]);
    glGetFloatv(GL_MODELVIEW_MATRIX, before[1]);

    ASSERT_TRUE(font.Print(0, 0, "r%c\nbq", 'g'));
    EXPECT_EQ(Pixel(8, 8), (Rgb{255, 0, 0}));
    EXPECT_EQ(Pixel(24, 8), (Rgb{0, 255, 0}));
    EXPECT_EQ(Pixel(8, 24), (Rgb{0, 0, 255}));
    EXPECT_EQ(Pixel(24, 24), (Rgb{0, 0, 255})) << "unknown repeats";
    EXPECT_EQ(Pixel(40, 8), (Rgb{0, 0, 0}));

    glGetFloatv(GL_PROJECTION_MATRIX, after[0]);
    glGetFloatv(GL_MODELVIEW_MATRIX, after[1]);
    EXPECT_EQ(0, std::memcmp(before, after, sizeof before));
    GLint mode = 0, bound = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(GLuint(bound), font.textureName);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(font.Print(0, 0, "%s", ""));
    EXPECT_TRUE(font.Print(0, 0, "%s", std::string(2000, 'w').c_str()));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(FontDrawTest, BlendModesAndReloads) {
    EXPECT_FALSE(font.SetBlendMode(2)) << "a 24-bit picture has no alpha to blend by";
    glClearColor(0.5f, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(font.SetBlendMode(1));
    font.Print(0, 0, "g");
    EXPECT_NEAR(Pixel(8, 8)[0], 128, 1);
    ASSERT_TRUE(font.SetBlendMode(3));
    font.Print(0, 0, "g");
    EXPECT_EQ(Pixel(8, 8), (Rgb{0, 255, 0}));

    // Refused sizes and a failed read keep the texture, grid and charset of
    // the last good load, so the font still prints.
    const GLuint name = font.textureName;
    const uint8_t* copy = font.pixels;
    const std::vector<uint8_t> before(copy, copy + 32 * 16 * 4);
    EXPECT_FALSE(font.Load(atlas.c_str(), 32, 16, 32, 0, 8, "x"));
    EXPECT_FALSE(font.Load(atlas.c_str(), -32, 16, 32, 8, 8, "x"));
    // A failed read at another size and depth: the copy, its size and depth
    // stay as they were, so whoever reads the copy by the grid stays inside
    // it (ASan would see the old grid read past a smaller new copy).
    EXPECT_FALSE(font.Load("/nonexistent/font.tga", 4, 2, 32, 8, 8, "x"));
    EXPECT_FALSE(font.SetBlendMode(2)) << "still the 24-bit picture";
    EXPECT_FALSE(font.Load("/nonexistent/font.tga", 64, 64, 24, 8, 8, "x"));
    EXPECT_EQ(font.textureName, name);
    EXPECT_EQ(font.pixels, copy);
    EXPECT_EQ(font.bitsPerPixel, 24);
    EXPECT_STREQ(font.charset, "rgbw");
    size_t sum = 0;
    for (int i = 0; i < font.textureWidth * font.textureHeight * 4; ++i)
        sum += font.pixels[i];
    EXPECT_EQ(sum, std::accumulate(before.begin(), before.end(), size_t(0)));
    EXPECT_TRUE(font.Print(0, 0, "g"));

    const std::string longCharset(300, 'z');
    ASSERT_TRUE(font.Load(atlas.c_str(), 32, 16, 32, 8, 8, longCharset.c_str()));
    EXPECT_EQ(std::strlen(font.charset), 255u);
    EXPECT_TRUE(font.SetBlendMode(2));
    ASSERT_TRUE(font.Load(atlas.c_str(), 32, 16, 24, 8, 8, "rgbw"));
    EXPECT_EQ(font.FindGlyph('z', 1), 1) << "no glyph left from the longer charset";
}
