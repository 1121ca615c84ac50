#include "lab/capture/capture_list.h"

void PrintCaptureList(std::FILE* out, const char* path, const CaptureInfo& info) {
    std::fprintf(out, "%s: %s, times in %s", path, info.format, info.timeName);
    if (info.ticksHz > 0.0)
        std::fprintf(out, " (counter ticks at %.0f Hz, %s %s)", info.ticksHz,
                     info.ticksFrom[0] == '-' ? "given by" : "fitted against", info.ticksFrom);
    if (info.runs > 1)
        std::fprintf(out, "; run %d of %d", info.run, info.runs);
    std::fprintf(out, "\n");
    const char* const names[3] = {"game", "cpu", "gpu"};
    const char* const values[3] = {info.game, info.cpu, info.gpu};
    for (int i = 0; i < 3; ++i) {
        if (values[i][0] != '\0')
            std::fprintf(out, "%s: %s\n", names[i], values[i]);
    }
    std::fprintf(out, "%-32s %-20s %10s %12s\n", "application", "swap chain", "rows", "seconds");
    for (int i = 0; i < info.streamCount; ++i) {
        const CaptureStream& s = info.streams[i];
        const double seconds = StreamSeconds(info, s);
        std::fprintf(out, "%-32s %-20s %10llu ", s.application[0] != '\0' ? s.application : "-",
                     s.swapChain[0] != '\0' ? s.swapChain : "-",
                     static_cast<unsigned long long>(s.rows));
        if (seconds >= 0.0)
            std::fprintf(out, "%12.3f\n", seconds);
        else
            std::fprintf(out, "%12s\n", "-");
    }
    if (info.otherRows > 0)
        std::fprintf(out, "and %llu rows of further streams, past the %d told apart\n",
                     static_cast<unsigned long long>(info.otherRows), kMostCaptureStreams);
}

void PrintCaptureNotes(std::FILE* out, const char* program, const char* path,
                       const CaptureInfo& info) {
    if (info.runs > 1)
        std::fprintf(out, "%s: %s holds %d runs; replaying run %d (--run N for another)\n", program,
                     path, info.runs, info.run);
    if (info.ticksHz > 0.0 && info.ticksFrom[0] != '-')
        std::fprintf(out, "%s: %s: %s in counter ticks at %.0f Hz, fitted against %s\n", program,
                     path, info.timeName, info.ticksHz, info.ticksFrom);
}
