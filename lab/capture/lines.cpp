#include "lab/capture/lines.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr uint64_t kProgressAbove = 50ull * 1000 * 1000;

void Progress(LineReader& reader) {
    if (reader.progress == nullptr || reader.fileSize <= kProgressAbove ||
        reader.bytesRead < reader.nextProgress)
        return;
    reader.nextProgress += reader.fileSize / 20;
    std::fprintf(
        reader.progress, "tempola-sim: %s %s: %.0f%%\n", reader.pass, reader.path,
        100.0 * static_cast<double>(reader.bytesRead) / static_cast<double>(reader.fileSize));
}

}  // namespace

void StartLines(LineReader& reader, uint64_t offset, uint64_t line) {
    reader.bytesRead = offset;
    reader.line = line;
    reader.nextProgress = 0;
    reader.begin = 0;
    reader.end = 0;
    reader.atEof = false;
}

uint64_t NextLineOffset(const LineReader& reader) {
    return reader.bytesRead - (reader.end - reader.begin);
}

LineStep ReadLine(LineReader& reader, Cell* line, char* error, size_t errorSize) {
    size_t size = 0;
    char* start = nullptr;
    for (;;) {
        start = reader.buffer + reader.begin;
        const size_t held = reader.end - reader.begin;
        const void* newline = held > 0 ? std::memchr(start, '\n', held) : nullptr;
        if (newline != nullptr) {
            size = static_cast<size_t>(static_cast<const char*>(newline) - start);
            reader.begin += size + 1;
            break;
        }
        if (held > kLongestCaptureLine) {
            size = held;  // refused below
            break;
        }
        if (reader.atEof) {
            if (held == 0)
                return LineStep::kEnd;
            size = held;  // a last line without its newline
            reader.begin = reader.end;
            break;
        }
        std::memmove(reader.buffer, start, held);
        reader.begin = 0;
        reader.end = held;
        const size_t got =
            std::fread(reader.buffer + reader.end, 1, kCaptureBuffer - reader.end, reader.file);
        if (got == 0) {
            if (std::ferror(reader.file)) {
                Fail(error, errorSize, "%s: read failed after line %llu: %s", reader.path,
                     static_cast<unsigned long long>(reader.line), std::strerror(errno));
                return LineStep::kError;
            }
            reader.atEof = true;
        }
        reader.end += got;
        reader.bytesRead += got;
        Progress(reader);
    }
    ++reader.line;
    if (size > kLongestCaptureLine) {
        Fail(error, errorSize, "%s line %llu: longer than %zu bytes", reader.path,
             static_cast<unsigned long long>(reader.line), kLongestCaptureLine);
        return LineStep::kError;
    }
    if (std::memchr(start, '\0', size) != nullptr) {
        Fail(error, errorSize, "%s line %llu: a NUL byte; not a text file", reader.path,
             static_cast<unsigned long long>(reader.line));
        return LineStep::kError;
    }
    if (size > 0 && start[size - 1] == '\r')
        --size;
    if (reader.line == 1 && size >= 3 && std::memcmp(start, "\xEF\xBB\xBF", 3) == 0) {
        start += 3;
        size -= 3;
    }
    *line = Cell{start, size};
    return LineStep::kLine;
}
