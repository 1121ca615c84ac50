// Feeds arbitrary bytes to the capture reader and the replay through a file,
// since both read files: whatever is accepted must be a stream of redraws
// whose times never go back, and whatever is refused must say why. Every
// format goes through here, CSV and JSON: the seeds hold one of each, and
// the non-captures the reader describes. The second read asks for a JSON
// capture's second run and gives the counter's rate, as --run and --qpc-hz do.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "lab/sim/replay.h"

namespace {

// Large: made once for the whole run.
CaptureReader& reader = *NewCaptureReader().release();
ReplayResult result;

// Reads the file through as --list and a replay would; aborts on a row
// whose time goes back, or on a refusal that says nothing or more than one
// line.
void ReadThrough(const std::string& path, const CaptureOptions& options) {
    char error[600] = "";
    if (!OpenCapture(reader, path.c_str(), options, error, sizeof error)) {
        if (error[0] == '\0' || std::strchr(error, '\n') != nullptr)
            std::abort();
        return;
    }
    CaptureRow row{};
    bool started = false;
    double previous = 0.0;
    CaptureStep step;
    while ((step = NextCaptureRow(reader, &row, error, sizeof error)) == CaptureStep::kRow) {
        if ((started && row.seconds < previous) || row.line <= CaptureInfoOf(reader).headerLine)
            std::abort();
        started = true;
        previous = row.seconds;
    }
    CloseCapture(reader);
    if (step == CaptureStep::kError && (error[0] == '\0' || std::strchr(error, '\n') != nullptr))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path =
        "/tmp/tempola_fuzz_capture_" + std::to_string(getpid()) + ".csv";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return 0;
    const bool written = size == 0 || std::fwrite(data, size, 1, f) == 1;
    std::fclose(f);
    if (!written) {
        std::remove(path.c_str());
        return 0;
    }
    char error[600] = "";
    ReadThrough(path, CaptureOptions{nullptr, 0, 0.0, true, nullptr});
    ReadThrough(path, CaptureOptions{"game", 2, 1e7, false, nullptr});
    // The whole replay too, with the rules the file names, as the program runs it.
    ReplaySetup setup{};
    setup.path = path.c_str();
    setup.side[0] = SideSetup{kRuleAdaptive, 62.0};
    setup.side[1] = SideSetup{kRuleScheduled, 31.0};
    error[0] = '\0';
    if (!RunReplay(setup, reader, result, kNoFrameSink, error, sizeof error, nullptr) &&
        error[0] == '\0')
        std::abort();
    // Removed every time: libFuzzer may end the process without running exit handlers.
    std::remove(path.c_str());
    return 0;
}
