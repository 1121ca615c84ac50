// BMP files made byte by byte for the reader's tests.
#pragma once

#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline void Put(Bytes& b, size_t at, uint64_t value, int count) {
    for (int i = 0; i < count; ++i) {
        b[at + i] = uint8_t(value >> (8 * i));
    }
}

// Headers, `gap` bytes (palette or anything) before the pixels, then the
// pixel bytes exactly as given, fill bytes included.
inline Bytes MakeBmp(int32_t width, int32_t height, uint16_t bpp, const Bytes& pixels,
                     uint32_t infoSize = 40, uint32_t gap = 0) {
    Bytes b(14 + infoSize + gap, 0);
    b[0] = 'B';
    b[1] = 'M';
    const uint32_t offset = 14 + infoSize + gap;
    Put(b, 2, offset + uint32_t(pixels.size()), 4);
    Put(b, 10, offset, 4);
    Put(b, 14, infoSize, 4);
    Put(b, 18, uint32_t(width), 4);
    Put(b, 22, uint32_t(height), 4);
    Put(b, 26, 1, 2);
    Put(b, 28, bpp, 2);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}
