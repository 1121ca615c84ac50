#include "lab/csv_cell.h"

#include <cstring>

void PutCsvCell(std::FILE* out, const char* text) {
    const size_t length = std::strlen(text);
    const bool quoted = std::strpbrk(text, ",\"\r\n") != nullptr ||
                        (length > 0 && (text[0] == ' ' || text[length - 1] == ' '));
    if (!quoted) {
        std::fputs(text, out);
        return;
    }
    std::fputc('"', out);
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '"')
            std::fputc('"', out);
        std::fputc(*c, out);
    }
    std::fputc('"', out);
}
