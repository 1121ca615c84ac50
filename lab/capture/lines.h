// A text file read line by line through one fixed buffer, any length of
// file in the same memory. A line is a view into the buffer, valid until
// the next read; its CR and a first line's byte-order mark are left off.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "lab/capture/text.h"

// Lines longer than this are refused, which bounds the buffer.
constexpr size_t kLongestCaptureLine = 64 * 1024;
constexpr size_t kCaptureBuffer = 1024 * 1024;

struct LineReader {
    std::FILE* file;
    const char* path;  // for messages
    uint64_t fileSize;
    uint64_t bytesRead;
    uint64_t line;  // of the line last read, from 1
    std::FILE* progress;
    uint64_t nextProgress;
    const char* pass;  // "counting", "replaying": for the progress lines
    size_t begin;
    size_t end;
    bool atEof;
    char buffer[kCaptureBuffer + 1];
};

enum class LineStep : uint8_t { kLine, kEnd, kError };

// Starts reading file (already open) from offset, whose line number is line.
void StartLines(LineReader& reader, uint64_t offset, uint64_t line);
// kError with a message naming the line: a read that failed, a line over
// kLongestCaptureLine, a NUL byte.
LineStep ReadLine(LineReader& reader, Cell* line, char* error, size_t errorSize);
// Where the next line begins, for reading again from there.
uint64_t NextLineOffset(const LineReader& reader);
