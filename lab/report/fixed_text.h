// A number in fixed notation, exactly as printf's "%.Nf" writes it (the
// exact value rounded half to even), at a tenth of its cost: a page writes
// tens of thousands of them.
#pragma once

#include <cstddef>

// Room for any value FixedText writes itself; others go through snprintf.
constexpr size_t kFixedTextSize = 330;

// Writes v (finite) with places digits after the point (0 to 9) into text,
// terminated; returns the length.
size_t FixedText(char* text, double v, int places);
