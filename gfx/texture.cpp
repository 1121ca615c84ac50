#include "gfx/texture.h"

#include <climits>

#include <GL/gl.h>
#include <GL/glu.h>

#include "gfx/image.h"

namespace {

// Image rows are packed, so rows that are not a multiple of four bytes would
// be read skewed under the default unpack alignment.
void Upload(GLint components, uint32_t width, uint32_t height, GLenum format,
            const uint8_t* pixels) {
    if (pixels == nullptr || width > INT_MAX || height > INT_MAX) {
        return;
    }
    GLint oldAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &oldAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, components, static_cast<GLint>(width),
                      static_cast<GLint>(height), format, GL_UNSIGNED_BYTE, pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, oldAlignment);
}

bool AlphaFits(const Image& image, const Image& alphaImage) {
    return alphaImage.bitsPerPixel == 8 && alphaImage.width == image.width &&
           alphaImage.height == image.height && alphaImage.pixels != nullptr;
}

}  // namespace

Texture::Texture() : name(0) {}

Texture::~Texture() {
    Delete();
}

bool Texture::Create(const Image& image, const Image* alphaImage) {
    Delete();

    GLuint glName = 0;
    glGenTextures(1, &glName);
    name = glName + 1;
    glBindTexture(GL_TEXTURE_2D, glName);

    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);

    if (alphaImage != nullptr && (image.bitsPerPixel == 8 || image.bitsPerPixel == 24)) {
        if (!AlphaFits(image, *alphaImage)) {
            Delete();
            return false;
        }
        const uint32_t count = image.width * image.height;
        const uint8_t* source = image.pixels;
        const uint8_t* alpha = alphaImage->pixels;
        Image merged;
        if (image.bitsPerPixel == 8) {
            if (!merged.Create(image.width, image.height, 16)) {
                Delete();
                return false;
            }
            uint8_t* out = merged.pixels;
            for (uint32_t k = 0; k < count; ++k) {
                out[2 * k] = source[k];
                out[2 * k + 1] = alpha[k];
            }
            Upload(2, image.width, image.height, GL_LUMINANCE_ALPHA, merged.pixels);
        } else {
            if (!merged.Create(image.width, image.height, 32)) {
                Delete();
                return false;
            }
            uint8_t* out = merged.pixels;
            for (uint32_t k = 0; k < count; ++k) {
                out[4 * k] = source[3 * k];
                out[4 * k + 1] = source[3 * k + 1];
                out[4 * k + 2] = source[3 * k + 2];
                out[4 * k + 3] = alpha[k];
            }
            Upload(4, image.width, image.height, GL_RGBA, merged.pixels);
        }
        merged.Free();
        return true;
    }

    switch (image.bitsPerPixel) {
    case 8: Upload(1, image.width, image.height, GL_LUMINANCE, image.pixels); break;
    case 24: Upload(3, image.width, image.height, GL_RGB, image.pixels); break;
    case 32: Upload(4, image.width, image.height, GL_RGBA, image.pixels); break;
    default: break;
    }
    return true;
}

void Texture::Bind() {
    glBindTexture(GL_TEXTURE_2D, name == 0 ? 0 : name - 1);
}

void Texture::Delete() {
    if (name == 0) {
        return;
    }
    const GLuint glName = name - 1;
    name = 0;
    glDeleteTextures(1, &glName);
}
