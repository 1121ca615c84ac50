#include <GL/gl.h>

#include <vector>

#include "gfx/image.h"
#include "gfx/texture.h"
#include "gl_test_context.h"

namespace {

void Fill(Image& image, uint32_t width, uint32_t height, uint32_t bits, uint8_t first) {
    ASSERT_TRUE(image.Create(width, height, bits));
    for (uint32_t k = 0; k < image.size; ++k) {
        image.pixels[k] = static_cast<uint8_t>(first + k);
    }
}

GLint Level(int level, GLenum what) {
    GLint value = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, what, &value);
    return value;
}

// Level 0 of the bound texture, which must be exactly the expected size.
std::vector<uint8_t> ReadBack(GLenum format, size_t bytes) {
    const int channels = format == GL_RGBA ? 4 : format == GL_RGB ? 3 : 2;
    if (size_t(Level(0, GL_TEXTURE_WIDTH) * Level(0, GL_TEXTURE_HEIGHT) * channels) != bytes) {
        return {};
    }
    std::vector<uint8_t> out(bytes);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, out.data());
    return out;
}

}  // namespace

using TextureTest = GlTest;

TEST_F(TextureTest, ParametersAndFullMipChain) {
    Image image;
    Fill(image, 8, 4, 24, 0);
    Texture texture;
    ASSERT_TRUE(texture.Create(image, nullptr));
    ASSERT_NE(texture.name, 0u);
    GLint wrap = 0, minFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(wrap, GL_REPEAT);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_NEAREST);
    const int sizes[4][2] = {{8, 4}, {4, 2}, {2, 1}, {1, 1}};
    for (int level = 0; level < 4; ++level) {
        EXPECT_EQ(Level(level, GL_TEXTURE_WIDTH), sizes[level][0]) << level;
        EXPECT_EQ(Level(level, GL_TEXTURE_HEIGHT), sizes[level][1]) << level;
    }
}

TEST_F(TextureTest, UploadsMergedAlphaAndOddRowsAsStored) {
    Image grey, alpha, rgb, rgba;
    Fill(grey, 2, 2, 8, 10);
    Fill(alpha, 2, 2, 8, 200);
    Texture texture;
    ASSERT_TRUE(texture.Create(grey, &alpha));
    EXPECT_EQ(ReadBack(GL_LUMINANCE_ALPHA, 8),
              (std::vector<uint8_t>{10, 200, 11, 201, 12, 202, 13, 203}));

    // Rows of six bytes, not a multiple of four.
    Fill(rgb, 2, 2, 24, 1);
    ASSERT_TRUE(texture.Create(rgb, nullptr));
    EXPECT_EQ(ReadBack(GL_RGB, 12), std::vector<uint8_t>(rgb.pixels, rgb.pixels + 12));
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4);

    ASSERT_TRUE(texture.Create(rgb, &alpha));
    EXPECT_EQ(ReadBack(GL_RGBA, 16),
              (std::vector<uint8_t>{1, 2, 3, 200, 4, 5, 6, 201, 7, 8, 9, 202, 10, 11, 12, 203}));

    // A 32-bit picture keeps its own alpha.
    Fill(rgba, 2, 2, 32, 7);
    ASSERT_TRUE(texture.Create(rgba, &alpha));
    EXPECT_EQ(ReadBack(GL_RGBA, 16), std::vector<uint8_t>(rgba.pixels, rgba.pixels + 16));
}

TEST_F(TextureTest, FailuresFreeTheOldNameAndADeletedTextureBindsNone) {
    Image grey, wrongDepth, shortAlpha, empty;
    Fill(grey, 4, 3, 8, 0);
    Fill(wrongDepth, 4, 3, 24, 0);
    Fill(shortAlpha, 4, 2, 8, 0);
    Texture texture;
    EXPECT_FALSE(texture.Create(grey, &wrongDepth));
    EXPECT_EQ(texture.name, 0u);
    ASSERT_TRUE(texture.Create(grey, nullptr));
    const GLuint first = texture.name - 1;
    EXPECT_FALSE(texture.Create(grey, &shortAlpha));
    EXPECT_EQ(texture.name, 0u);
    EXPECT_FALSE(glIsTexture(first));
    // An empty picture still makes a texture, of no size.
    ASSERT_TRUE(texture.Create(empty, nullptr));
    EXPECT_NE(texture.name, 0u);
    EXPECT_EQ(Level(0, GL_TEXTURE_WIDTH), 0);

    texture.Delete();
    texture.Delete();
    EXPECT_EQ(texture.name, 0u);
    texture.Bind();
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
