#include "lab/capture/frame_type.h"

#include <cstring>

namespace {

bool Told(FrameTypeNotes& told, const Cell& value) {
    const size_t n =
        value.size < FrameTypeNotes::kLongest - 1 ? value.size : FrameTypeNotes::kLongest - 1;
    for (int i = 0; i < told.count; ++i) {
        if (std::strlen(told.named[i]) == n && std::memcmp(told.named[i], value.text, n) == 0)
            return true;
    }
    // Past the last kept, every further value goes unsaid rather than said again.
    if (told.count == FrameTypeNotes::kMost)
        return true;
    std::memcpy(told.named[told.count], value.text, n);
    told.named[told.count++][n] = '\0';
    return false;
}

}  // namespace

bool GeneratedFrame(const Cell& cell, FrameTypeNotes& told, std::FILE* notes, const char* path) {
    const Cell t = Trim(cell);
    if (Empty(t) || SameWord(t, "Application"))
        return false;
    if (SameWord(t, "Repeated") || SameWord(t, "Intel XeSS-FG") || SameWord(t, "AMD AFMF"))
        return true;
    if (!Told(told, t) && notes != nullptr) {
        const int shown = t.size < 40 ? static_cast<int>(t.size) : 40;
        std::fprintf(notes,
                     "tempola-sim: %s: FrameType '%.*s' is not known; counted as generated\n", path,
                     shown, t.text);
    }
    return true;
}
