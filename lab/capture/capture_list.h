// --list: what a capture holds, for choosing what to replay: its format and
// time unit, the machine it names, and each application and swap chain
// with its rows and time span.
#pragma once

#include <cstdio>

#include "lab/capture/capture_reader.h"

void PrintCaptureList(std::FILE* out, const char* path, const CaptureInfo& info);

// The notes a replay prints on standard error about what it found: the
// runs of a JSON capture, a counter's rate.
void PrintCaptureNotes(std::FILE* out, const char* program, const char* path,
                       const CaptureInfo& info);
