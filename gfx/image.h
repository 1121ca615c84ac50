// An uncompressed picture in memory, and the BMP reader that fills one.
#pragma once

#include <cstdint>
#include <cstdio>

// Rows are packed without gaps, top row first. Colour bytes are R, G, B(, A);
// an 8-bit picture holds palette indices; a 16-bit one luminance then alpha.
class Image {
public:
    Image();
    virtual ~Image();
    virtual void Free();

    // Frees first, so the old picture is gone even when this fails. False for a
    // zero argument, a byte count that does not fit in 32 bits, or no memory.
    bool Create(uint32_t width, uint32_t height, uint32_t bitsPerPixel);
    bool Load(const char* fileName, bool (*loader)(const char* fileName, Image* image));

    uint32_t bitsPerPixel;
    uint32_t width;
    uint32_t height;
    uint32_t pitch;
    uint32_t size;
    uint8_t* pixels;

    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
};

// Fills an image from a file; true when the image now holds the file's picture.
using ImageLoader = bool (*)(const char* fileName, Image* image);

// Uncompressed 8, 24 and 32-bit BMP files, bottom-up or top-down. Anything
// else is refused with false; a refusal before the pixels are read leaves the
// image as it was.
bool LoadBMP(const char* fileName, Image* image);

// A small reader over a standard I/O stream that remembers whether its last
// failed read met the end of the file.
class InputFile {
public:
    InputFile();
    ~InputFile();

    bool Open(const char* fileName, const char* mode);
    void Close();
    bool Read(void* buffer, uint32_t byteCount);
    bool Seek(uint32_t offset);
    // Bytes in the whole file; the read position is kept.
    bool Length(uint64_t* byteCount);

    FILE* stream;
    uint8_t atEnd;

    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
};
