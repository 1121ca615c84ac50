#include "lab/report/html_text.h"

#include <cstring>

size_t Utf8CharLength(const unsigned char* p, size_t size) {
    if (size == 0)
        return 0;
    const unsigned c = p[0];
    if (c < 0x80)
        return 1;
    size_t n = 0;
    unsigned low = 0x80;  // the second byte's range, which rules out the bad forms
    unsigned high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0)
            low = 0xA0;  // overlong
        if (c == 0xED)
            high = 0x9F;  // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0)
            low = 0x90;  // overlong
        if (c == 0xF4)
            high = 0x8F;  // past U+10FFFF
    } else {
        return 0;
    }
    if (size < n || p[1] < low || p[1] > high)
        return 0;
    for (size_t i = 2; i < n; ++i)
        if (p[i] < 0x80 || p[i] > 0xBF)
            return 0;
    return n;
}

void WriteHtmlText(std::FILE* out, const char* text, size_t size) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    while (i < size) {
        const size_t n = Utf8CharLength(p + i, size - i);
        const unsigned c = p[i];
        if (n == 0 || (c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
            std::fputs("&#xFFFD;", out);
            i += 1;
            continue;
        }
        switch (c) {
        case '&': std::fputs("&amp;", out); break;
        case '<': std::fputs("&lt;", out); break;
        case '>': std::fputs("&gt;", out); break;
        case '"': std::fputs("&quot;", out); break;
        case '\'': std::fputs("&#39;", out); break;
        default: std::fwrite(p + i, 1, n, out); break;
        }
        i += n;
    }
}

void WriteHtmlText(std::FILE* out, const char* text) {
    WriteHtmlText(out, text, std::strlen(text));
}

void WriteJsonString(std::FILE* out, const char* text, size_t size) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    std::fputc('"', out);
    size_t i = 0;
    while (i < size) {
        const size_t n = Utf8CharLength(p + i, size - i);
        const unsigned c = p[i];
        if (n == 0) {
            std::fputs("\\ufffd", out);
            i += 1;
            continue;
        }
        // U+2028 and U+2029 end a line in older script parsers.
        if (n == 3 && c == 0xE2 && p[i + 1] == 0x80 && (p[i + 2] == 0xA8 || p[i + 2] == 0xA9)) {
            std::fprintf(out, "\\u%04x", 0x2028u + (p[i + 2] - 0xA8u));
        } else if (c == '"' || c == '\\') {
            std::fputc('\\', out);
            std::fputc(static_cast<int>(c), out);
        } else if (c < 0x20 || c == 0x7F || c == '<' || c == '>' || c == '&' || c == '\'') {
            // Markup characters as escapes too: the string sits in a script
            // element, which a literal "</script" would end.
            std::fprintf(out, "\\u%04x", c);
        } else {
            std::fwrite(p + i, 1, n, out);
        }
        i += n;
    }
    std::fputc('"', out);
}

void WriteJsonString(std::FILE* out, const char* text) {
    WriteJsonString(out, text, std::strlen(text));
}
