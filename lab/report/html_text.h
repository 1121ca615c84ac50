// Text from files and command lines on its way into a page: as HTML text
// (element content and quoted attributes) or as a JSON string inside a
// script element. Neither can close an element, open one, or end its quote,
// whatever the bytes: markup characters are escaped, and bytes that are not
// UTF-8 become U+FFFD.
#pragma once

#include <cstddef>
#include <cstdio>

void WriteHtmlText(std::FILE* out, const char* text, size_t size);
void WriteHtmlText(std::FILE* out, const char* text);
// With the quotes around it.
void WriteJsonString(std::FILE* out, const char* text, size_t size);
void WriteJsonString(std::FILE* out, const char* text);

// The length of the well-formed UTF-8 character at text (at most size bytes
// there), or 0 for a byte that does not begin one: overlong forms,
// surrogates and code points past U+10FFFF are not UTF-8.
size_t Utf8CharLength(const unsigned char* text, size_t size);
