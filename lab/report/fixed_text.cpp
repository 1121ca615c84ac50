#include "lab/report/fixed_text.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

using Wide = unsigned __int128;

// The digits of n, at least `least` of them, at text; returns their count.
size_t Digits(char* text, uint64_t n, int least) {
    char reversed[24];
    int count = 0;
    while (n > 0 || count < least) {
        reversed[count++] = static_cast<char>('0' + static_cast<int>(n % 10));
        n /= 10;
    }
    for (int i = 0; i < count; ++i)
        text[i] = reversed[count - 1 - i];
    return static_cast<size_t>(count);
}

}  // namespace

size_t FixedText(char* text, double v, int places) {
    // |v| = mantissa * 2^shift exactly, with mantissa below 2^53, from the
    // double's own bits (a subnormal has no hidden bit).
    uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    const int biased = static_cast<int>(bits >> 52 & 0x7FF);
    uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
    int shift = -1074;
    if (biased > 0) {
        mantissa |= uint64_t{1} << 52;
        shift = biased - 1075;
    }
    if (shift > 10 || places < 0 || places > 9) {
        const int n = std::snprintf(text, kFixedTextSize, "%.*f", places, v);
        return n < 0 ? 0 : static_cast<size_t>(n);
    }
    uint64_t scale = 1;
    for (int i = 0; i < places; ++i)
        scale *= 10;
    // Below 2^83: the mantissa times at most 10^9.
    const Wide scaled = static_cast<Wide>(mantissa) * scale;
    Wide whole = 0;
    if (shift >= 0) {
        whole = scaled << shift;
    } else if (-shift < 90) {
        const int down = -shift;
        whole = scaled >> down;
        const Wide rest = scaled & ((static_cast<Wide>(1) << down) - 1);
        const Wide half = static_cast<Wide>(1) << (down - 1);
        if (rest > half || (rest == half && (whole & 1) != 0))
            whole += 1;
    }  // else less than half of the last place: zero
    size_t n = 0;
    if (std::signbit(v))
        text[n++] = '-';
    // The shift keeps |v| under 2^63; most values fit 64 bits scaled too,
    // where dividing is cheap.
    uint64_t units = 0;
    uint64_t parts = 0;
    if (whole <= UINT64_MAX) {
        units = static_cast<uint64_t>(whole) / scale;
        parts = static_cast<uint64_t>(whole) % scale;
    } else {
        units = static_cast<uint64_t>(whole / scale);
        parts = static_cast<uint64_t>(whole % scale);
    }
    n += Digits(text + n, units, 1);
    if (places > 0) {
        text[n++] = '.';
        n += Digits(text + n, parts, places);
    }
    text[n] = '\0';
    return n;
}
