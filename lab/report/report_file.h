// A file that appears whole or not at all: written under a temporary name
// in the folder it is going to, and renamed over the wanted name only once
// everything is written and flushed to disk. Opening it first proves the
// folder writable before any work is done.
#pragma once

#include <cstddef>
#include <cstdio>

struct WholeFile {
    std::FILE* file;      // null when not open
    char path[4096];      // the name wanted
    char tempPath[4096];  // where it is written until then
};

// False with a message when the folder cannot take the file, or the name
// is a folder.
bool OpenWholeFile(WholeFile& out, const char* path, char* error, size_t errorSize);
// Renames it into place; false with a message when a write failed, and then
// nothing is left behind.
bool CommitWholeFile(WholeFile& out, char* error, size_t errorSize);
// Gives up: the temporary file goes. Safe on a file never opened.
void DiscardWholeFile(WholeFile& out);
