// Private profile (INI) files, written the way the desktop's own profile
// functions do it: one key at a time, everything else in the file kept.
#pragma once

#include <cstddef>

// Sets key=value in [section] of the file at path. Creates the file and the
// section when missing; replaces the value of an existing key in place; keeps
// every other line, key, section and comment byte for byte. Section and key
// names match without regard to case. The new file is written beside the old
// one and renamed over it, so a crash never leaves a half-written file.
// False (and the old file untouched) when anything fails.
bool WriteProfileString(const char* path, const char* section, const char* key, const char* value);

// Where a profile file without a folder lives: $XDG_CONFIG_HOME/fileName, or
// $HOME/.config/fileName. False when neither variable gives an absolute path
// or the result does not fit.
bool ProfilePath(const char* fileName, char* out, size_t outSize);
