#include "gfx/font.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include <GL/gl.h>
#include <GL/glu.h>

namespace {

const size_t kHeaderBytes = 18;
// Read past the pixels so that the colour bytes of the last pixel stay in the
// buffer even for depths below 24 bits.
const size_t kSlackBytes = 44;

// The byte counts of a picture, or false when the sizes are not positive or
// the counts would not fit.
bool PictureBytes(int width, int height, int bitsPerPixel, size_t* fileBytes, size_t* rgbaBytes) {
    const int bytesPerPixel = bitsPerPixel / 8;
    if (width <= 0 || height <= 0 || bytesPerPixel <= 0) {
        return false;
    }
    const size_t w = static_cast<size_t>(width);
    const size_t h = static_cast<size_t>(height);
    const size_t b = static_cast<size_t>(bytesPerPixel);
    const size_t limit = SIZE_MAX - kSlackBytes;
    if (w > limit / b || w * b > limit / h || w > SIZE_MAX / 4 / h) {
        return false;
    }
    *fileBytes = w * b * h + kSlackBytes;
    *rgbaBytes = w * h * 4;
    return true;
}

}  // namespace

Font::Font()
    : bitsPerPixel(0),
      scaleY(1.0f),
      scaleX(1.0f),
      blendMode(0),
      charCount(0),
      charset(),
      pixels(nullptr),
      textureName(0),
      textureHeight(0),
      textureWidth(0),
      cellWidth(0),
      cellHeight(0) {}

Font::~Font() {
    // The context is gone by the time static fonts die: the texture goes
    // with DeleteTexture, while it is still there.
    delete[] pixels;
}

void Font::DeleteTexture() {
    if (textureName != 0) {
        const GLuint name = textureName;
        glDeleteTextures(1, &name);
        textureName = 0;
    }
}

bool Font::ReadTGA(const char* fileName, uint8_t* destination, int width, int height,
                   int bitsPerPixel) {
    size_t fileBytes = 0;
    size_t rgbaBytes = 0;
    if (fileName == nullptr || destination == nullptr ||
        !PictureBytes(width, height, bitsPerPixel, &fileBytes, &rgbaBytes)) {
        return false;
    }
    FILE* file = std::fopen(fileName, "rb");
    if (file == nullptr) {
        return false;
    }
    uint8_t* buffer = new (std::nothrow) uint8_t[fileBytes]();
    if (buffer == nullptr) {
        std::fclose(file);
        return false;
    }
    // A short file is fine: what it lacks stays zero.
    const size_t got = std::fread(buffer, 1, fileBytes, file);
    static_cast<void>(got);
    std::fclose(file);

    const size_t bytesPerPixel = static_cast<size_t>(bitsPerPixel / 8);
    const size_t rowBytes = bytesPerPixel * static_cast<size_t>(width);
    const bool opaque = bitsPerPixel == 24;
    for (int r = 0; r < height; ++r) {
        const uint8_t* in = buffer + kHeaderBytes + static_cast<size_t>(r) * rowBytes;
        uint8_t* out = destination + static_cast<size_t>(height - 1 - r) * width * 4;
        for (int x = 0; x < width; ++x) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = opaque ? 255 : in[3];
            in += bytesPerPixel;
            out += 4;
        }
    }
    delete[] buffer;
    return true;
}

bool Font::Load(const char* fileName, int width, int height, int bitsPerPixel, int cellWidth,
                int cellHeight, const char* charset) {
    size_t fileBytes = 0;
    size_t rgbaBytes = 0;
    if (cellWidth <= 0 || cellHeight <= 0 || charset == nullptr ||
        !PictureBytes(width, height, bitsPerPixel, &fileBytes, &rgbaBytes)) {
        return false;
    }
    // Read aside and taken only whole: a copy of another size beside the
    // earlier grid would send anyone who reads the copy by that grid past its
    // end. A failed load leaves the font exactly as it was.
    uint8_t* picture = new (std::nothrow) uint8_t[rgbaBytes]();
    if (picture == nullptr) {
        return false;
    }
    if (!ReadTGA(fileName, picture, width, height, bitsPerPixel)) {
        delete[] picture;
        return false;
    }
    delete[] pixels;
    pixels = picture;
    this->bitsPerPixel = bitsPerPixel;

    // An earlier texture is not deleted here: its name may belong to a
    // context that is gone, and in this one to someone else. DeleteTexture,
    // before its context goes, is what gives it up.
    GLuint name = 0;
    glGenTextures(1, &name);
    textureName = name;
    glBindTexture(GL_TEXTURE_2D, name);
    if (bitsPerPixel == 24 || bitsPerPixel == 32) {
        gluBuild2DMipmaps(GL_TEXTURE_2D, bitsPerPixel == 24 ? GL_RGB : GL_RGBA, width, height,
                          GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    }

    textureHeight = height;
    textureWidth = width;
    this->cellWidth = cellWidth;
    this->cellHeight = cellHeight;
    // Longer charsets are cut; the rest is cleared so that an earlier, longer
    // charset leaves no stale glyphs behind.
    std::strncpy(this->charset, charset, sizeof this->charset - 1);
    this->charset[sizeof this->charset - 1] = '\0';
    charCount = 96;
    return true;
}

bool Font::SetBlendMode(int mode) {
    if (bitsPerPixel != 32 && mode == 2) {
        return false;
    }
    blendMode = mode;
    return true;
}

bool Font::SetScale(float scaleX, float scaleY) {
    this->scaleX = scaleX;
    this->scaleY = scaleY;
    return true;
}

int Font::FindGlyph(unsigned char c, int previous) const {
    int glyph = previous;
    for (int p = 0; p < charCount; ++p) {
        if (static_cast<unsigned char>(charset[p]) == c) {
            glyph = p;
        }
    }
    return glyph;
}

bool Font::HasGrid() const {
    return cellWidth > 0 && cellHeight > 0 && textureWidth / cellWidth != 0;
}

bool Font::CanPrint() const {
    return pixels != nullptr && HasGrid();
}

bool Font::GlyphCell(int glyph, int* x, int* y) const {
    if (!HasGrid() || glyph < 0) {
        return false;
    }
    const int columns = textureWidth / cellWidth;
    const int64_t cellX = static_cast<int64_t>(glyph % columns) * cellWidth;
    const int64_t cellY = static_cast<int64_t>(glyph / columns) * cellHeight;
    if (cellY + cellHeight > textureHeight) {
        return false;
    }
    *x = static_cast<int>(cellX);
    *y = static_cast<int>(cellY);
    return true;
}

void DrawQuad(const GlyphQuad& q) {
    glTexCoord2f(q.s0, q.t0);
    glVertex2f(q.x0, q.y0);
    glTexCoord2f(q.s1, q.t0);
    glVertex2f(q.x1, q.y0);
    glTexCoord2f(q.s1, q.t1);
    glVertex2f(q.x1, q.y1);
    glTexCoord2f(q.s0, q.t1);
    glVertex2f(q.x0, q.y1);
}

GlyphQuad Font::Quad(int glyph, int column, int line) const {
    GlyphQuad q = {};
    if (!HasGrid() || textureHeight <= 0) {
        return q;
    }
    const int columns = textureWidth / cellWidth;
    const int64_t col = glyph % columns;
    const int64_t row = glyph / columns;
    const float width = static_cast<float>(textureWidth);
    const float height = static_cast<float>(textureHeight);

    q.s0 = static_cast<float>(cellWidth * col) / width;
    q.s1 = static_cast<float>(cellWidth * (col + 1) - 1) / width;
    q.t0 = static_cast<float>(cellHeight * row) / height;
    q.t1 = static_cast<float>(cellHeight * (row + 1) - 1) / height;
    q.x0 = static_cast<float>(column) * scaleX * 0.01f;
    q.x1 = static_cast<float>(int64_t(column) + 1) * scaleX * 0.01f;
    q.y0 = static_cast<float>(line) * scaleY * 0.02f;
    q.y1 = q.y0 - scaleY * 0.02f;
    return q;
}

bool Font::Print(float x, float y, const char* format, ...) {
    if (!CanPrint() || format == nullptr) {
        return false;
    }

    // Runs every frame: the text lives on the stack, and longer texts are cut.
    char text[1024];
    va_list args;
    va_start(args, format);
    if (std::vsnprintf(text, sizeof text, format, args) < 0) {
        text[0] = '\0';
    }
    va_end(args);

    glPushMatrix();
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0, 1, 0, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(x, 1 - y, 0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textureName);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);

    if (blendMode == 1) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
    } else if (blendMode == 2) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }

    glBegin(GL_QUADS);
    LayOut(text, [this](unsigned char, int glyph, int column, int line) {
        DrawQuad(Quad(glyph, column, -line));
    });
    glEnd();

    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    return true;
}
