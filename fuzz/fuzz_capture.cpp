// Feeds arbitrary bytes to the capture reader and the replay through a file,
// since both read files: whatever is accepted must be a stream of redraws
// whose times never go back, and whatever is refused must say why.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "lab/replay.h"

namespace {

// Large: made once for the whole run.
CaptureReader& reader = *NewCaptureReader().release();
ReplayResult result;

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
    const CaptureOptions options{nullptr, 0, 0.0, true, nullptr};
    if (OpenCapture(reader, path.c_str(), options, error, sizeof error)) {
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
        if (step == CaptureStep::kError && error[0] == '\0')
            std::abort();
    } else if (error[0] == '\0') {
        std::abort();
    }
    // The whole replay too, with the rules the file names, as the program runs it.
    ReplaySetup setup{};
    setup.path = path.c_str();
    setup.side[0] = SideSetup{kRuleAdaptive, 62.0};
    setup.side[1] = SideSetup{kRuleScheduled, 31.0};
    error[0] = '\0';
    if (!RunReplay(setup, reader, result, SimOutputs{nullptr, nullptr}, error, sizeof error,
                   nullptr) &&
        error[0] == '\0')
        std::abort();
    // Removed every time: libFuzzer may end the process without running exit handlers.
    std::remove(path.c_str());
    return 0;
}
