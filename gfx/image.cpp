#include "gfx/image.h"

#include <cstring>
#include <new>

// ---------------------------------------------------------------------------
// Image

Image::Image() : bitsPerPixel(0), width(0), height(0), pitch(0), size(0), pixels(nullptr) {}

Image::~Image() {
    Image::Free();
}

void Image::Free() {
    if (pixels == nullptr)
        return;
    delete[] pixels;
    pixels = nullptr;
    bitsPerPixel = 0;
    width = 0;
    height = 0;
    pitch = 0;
    size = 0;
}

bool Image::Create(uint32_t newWidth, uint32_t newHeight, uint32_t newBitsPerPixel) {
    Free();
    if (newWidth == 0 || newHeight == 0 || newBitsPerPixel == 0)
        return false;

    // Worked out in 64 bits so that a huge depth or width cannot wrap around
    // into a small block that the caller would then overrun.
    const uint64_t bytesPerPixel = (uint64_t(newBitsPerPixel) + 7) / 8;
    const uint64_t rowBytes = uint64_t(newWidth) * bytesPerPixel;
    if (rowBytes > UINT32_MAX)
        return false;
    const uint64_t totalBytes = rowBytes * newHeight;
    if (totalBytes > UINT32_MAX)
        return false;

    uint8_t* block = new (std::nothrow) uint8_t[size_t(totalBytes)];
    if (block == nullptr)
        return false;

    pixels = block;
    bitsPerPixel = newBitsPerPixel;
    width = newWidth;
    height = newHeight;
    pitch = uint32_t(rowBytes);
    size = uint32_t(totalBytes);
    return true;
}

bool Image::Load(const char* fileName, bool (*loader)(const char* fileName, Image* image)) {
    if (loader == nullptr)
        return false;
    return loader(fileName, this);
}

// ---------------------------------------------------------------------------
// InputFile

InputFile::InputFile() : stream(nullptr), atEnd(1) {}

InputFile::~InputFile() {
    Close();
}

bool InputFile::Open(const char* fileName, const char* mode) {
    Close();
    if (fileName == nullptr || mode == nullptr)
        return false;
    stream = std::fopen(fileName, mode);
    if (stream == nullptr)
        return false;
    atEnd = 0;
    return true;
}

void InputFile::Close() {
    if (stream == nullptr)
        return;
    std::fclose(stream);
    stream = nullptr;
    atEnd = 1;
}

bool InputFile::Read(void* buffer, uint32_t byteCount) {
    if (stream == nullptr)
        return false;
    // fread with an item size of zero reports no items, yet nothing was missing.
    if (byteCount == 0)
        return true;
    if (std::fread(buffer, byteCount, 1, stream) == 1)
        return true;
    atEnd = std::feof(stream) ? 1 : 0;
    return false;
}

bool InputFile::Seek(uint32_t offset) {
    if (stream == nullptr)
        return false;
    return std::fseek(stream, long(offset), SEEK_SET) == 0;
}

bool InputFile::Length(uint64_t* byteCount) {
    if (stream == nullptr || byteCount == nullptr)
        return false;
    const long here = std::ftell(stream);
    if (here < 0 || std::fseek(stream, 0, SEEK_END) != 0)
        return false;
    const long end = std::ftell(stream);
    if (std::fseek(stream, here, SEEK_SET) != 0 || end < 0)
        return false;
    *byteCount = uint64_t(end);
    return true;
}

// ---------------------------------------------------------------------------
// BMP reader

namespace {

// Reads little-endian header fields one at a time. A short read zeroes the
// field and is remembered, so the caller checks once after a run of fields.
class FieldReader {
public:
    explicit FieldReader(InputFile& file) : file(file), ok(true) {}

    uint32_t Field(uint32_t byteCount) {
        uint8_t bytes[4] = {0, 0, 0, 0};
        if (!file.Read(bytes, byteCount)) {
            ok = false;
            return 0;
        }
        return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
               uint32_t(bytes[3]) << 24;
    }

    InputFile& file;
    bool ok;
};

// The conversions below run once per row over large pictures, so they are
// plain pointer loops the compiler can unroll and vectorise.
void CopyRow8(const uint8_t* __restrict src, uint8_t* __restrict dst, uint32_t byteCount) {
    std::memcpy(dst, src, byteCount);
}

void SwapRow24(const uint8_t* __restrict src, uint8_t* __restrict dst, uint32_t pixelCount) {
    for (uint32_t i = 0; i < pixelCount; ++i) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
        src += 3;
        dst += 3;
    }
}

void SwapRow32(const uint8_t* __restrict src, uint8_t* __restrict dst, uint32_t pixelCount) {
    for (uint32_t i = 0; i < pixelCount; ++i) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
        dst[3] = src[3];
        src += 4;
        dst += 4;
    }
}

constexpr uint32_t kInfoHeaderBytes = 40;

}  // namespace

bool LoadBMP(const char* fileName, Image* image) {
    if (image == nullptr)
        return false;
    InputFile file;
    if (!file.Open(fileName, "rb"))
        return false;

    FieldReader in(file);
    const uint32_t magicB = in.Field(1);
    const uint32_t magicM = in.Field(1);
    in.Field(4);  // file size
    in.Field(4);  // reserved words
    const uint32_t pixelOffset = in.Field(4);
    if (magicB != 'B' || magicM != 'M' || file.atEnd || !in.ok)
        return false;

    const uint32_t infoSize = in.Field(4);
    const int32_t fileWidth = int32_t(in.Field(4));
    const int32_t fileHeight = int32_t(in.Field(4));
    in.Field(2);  // planes
    const uint32_t fileBitsPerPixel = in.Field(2);
    const uint32_t compression = in.Field(4);
    in.Field(4);  // image size
    in.Field(4);  // horizontal resolution
    in.Field(4);  // vertical resolution
    in.Field(4);  // colours used
    in.Field(4);  // important colours
    // A short info header would leave the fields below unset; the older
    // 12-byte core header lays them out differently and is not supported.
    if (!in.ok || infoSize < kInfoHeaderBytes)
        return false;

    if (compression != 0)
        return false;
    if (fileHeight == 0 || fileHeight == INT32_MIN)
        return false;
    if (fileWidth <= 0)
        return false;
    if (fileBitsPerPixel != 8 && fileBitsPerPixel != 24 && fileBitsPerPixel != 32)
        return false;

    // Skips the palette of an 8-bit file, and whatever else precedes the pixels.
    if (!file.Seek(pixelOffset))
        return false;

    const uint32_t width = uint32_t(fileWidth);
    const bool bottomUp = fileHeight > 0;
    const uint32_t rows = bottomUp ? uint32_t(fileHeight) : uint32_t(-int64_t(fileHeight));
    const uint32_t bytesPerPixel = fileBitsPerPixel / 8;
    const uint64_t fileRowBytes = (uint64_t(width) * bytesPerPixel + 3) & ~uint64_t(3);
    const uint64_t dataBytes = fileRowBytes * rows;
    if (dataBytes > UINT32_MAX)
        return false;

    // A header may promise far more than the file holds: check before
    // allocating so a tiny file cannot ask for gigabytes.
    uint64_t fileBytes = 0;
    if (!file.Length(&fileBytes) || uint64_t(pixelOffset) + dataBytes > fileBytes)
        return false;

    uint8_t* data = new (std::nothrow) uint8_t[size_t(dataBytes)];
    if (data == nullptr)
        return false;
    if (!file.Read(data, uint32_t(dataBytes))) {
        delete[] data;
        return false;
    }

    if (!image->Create(width, rows, fileBitsPerPixel)) {
        delete[] data;
        return false;
    }

    const size_t srcStride = size_t(fileRowBytes);
    const size_t dstStride = image->pitch;
    for (uint32_t y = 0; y < rows; ++y) {
        const uint32_t fileRow = bottomUp ? rows - 1 - y : y;
        const uint8_t* src = data + fileRow * srcStride;
        uint8_t* dst = image->pixels + y * dstStride;
        switch (fileBitsPerPixel) {
        case 8: CopyRow8(src, dst, width); break;
        case 24: SwapRow24(src, dst, width); break;
        default: SwapRow32(src, dst, width); break;
        }
    }

    delete[] data;
    return true;
}
