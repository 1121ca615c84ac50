// The order of the glyphs in the overlay's font picture, cell 0 first: lower
// case, upper case, digits 1 to 0, punctuation, and the space last. The
// program reads the picture with it and the tool that draws the picture
// writes it with it.
#pragma once

inline constexpr char kOverlayCharset[] =
    "abcdefghijklmnopqrstuvwxyz"
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
    "1234567890"
    "!@#$%^&*()`~-_=+[{]}\\|;:'\",<.>/?"
    " ";
static_assert(sizeof(kOverlayCharset) == 96, "the font picture holds 95 characters");
