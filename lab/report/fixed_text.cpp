#include "lab/report/fixed_text.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

using Wide = unsigned __int128;

// "00" to "99": two digits a division, since a page writes tens of
// thousands of numbers.
constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

constexpr uint64_t kPowersOfTen[20] = {1,
                                       10,
                                       100,
                                       1000,
                                       10000,
                                       100000,
                                       1000000,
                                       10000000,
                                       100000000,
                                       1000000000,
                                       10000000000,
                                       100000000000,
                                       1000000000000,
                                       10000000000000,
                                       100000000000000,
                                       1000000000000000,
                                       10000000000000000,
                                       100000000000000000,
                                       1000000000000000000,
                                       10000000000000000000u};

// Exactly count digits of n at text, zeros before; n is below 10^count.
// Written from the last, straight into place.
void PlacedDigits(char* text, uint64_t n, int count) {
    char* p = text + count;
    while (n > UINT32_MAX) {
        const uint64_t pair = n % 100;
        n /= 100;
        p -= 2;
        std::memcpy(p, kPairs + 2 * pair, 2);
    }
    // The rest in 32 bits, where dividing by 100 takes fewer steps: every
    // page's fraction and most of its whole parts.
    auto small = static_cast<uint32_t>(n);
    while (p - text >= 2) {
        const uint32_t pair = small % 100;
        small /= 100;
        p -= 2;
        std::memcpy(p, kPairs + 2 * pair, 2);
    }
    if (p > text)
        *--p = static_cast<char>('0' + small);
}

// The digits of n (one at least) at text; returns their count.
size_t Digits(char* text, uint64_t n) {
    int count = 1;
    while (count < 20 && n >= kPowersOfTen[count])
        ++count;
    PlacedDigits(text, n, count);
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
    const uint64_t scale = kPowersOfTen[places];
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
    n += Digits(text + n, units);
    if (places > 0) {
        text[n++] = '.';
        PlacedDigits(text + n, parts, places);
        n += static_cast<size_t>(places);
    }
    text[n] = '\0';
    return n;
}
