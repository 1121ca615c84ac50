// A cell of a CSV row as RFC 4180 has it: quoted, with its quotes doubled,
// where it holds a comma, a quote, a line break or an edge blank.
#pragma once

#include <cstdio>

void PutCsvCell(std::FILE* out, const char* text);
