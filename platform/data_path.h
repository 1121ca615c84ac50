// Where the program's pictures are, wherever it was built or installed: no
// folder is compiled in, everything is found from where the binary is.
#pragma once

#include <cstddef>

// The folder of the running program's file (symbolic links resolved), with no
// trailing slash except for "/" itself. False when the system does not say
// or the folder does not fit in size bytes.
bool ExecutableDir(char* buffer, size_t size);

// The first readable regular file of this name among:
//   1. fileName itself, from the working directory;
//   2. exeDir/data/fileName (the build tree);
//   3. the parent of exeDir, then share/tempola/fileName (any install
//      prefix whose programs are in prefix/bin).
// Returns fileName or a path written into buffer. exeDir may be null or
// empty (only the working directory is searched); a place whose path does
// not fit in size bytes counts as not having the file. When the file is in
// none of them, one line on stderr names it and every place searched, and
// the result is fileName: the caller's load then fails and it runs without.
const char* FindDataFileFrom(const char* exeDir, const char* fileName, char* buffer, size_t size);
