// How fast a capture replays: a generated Tempola frame log (the widest of
// the formats read, 22 columns, rules and targets on every row) of 1 GB in
// a temporary folder, replayed through both pacers with every figure kept
// and no log written, on one core. Beside it, in alternate rounds, the
// bare read of the same file through the same size of buffer, counting its
// lines: the ratio of the two is what the parsing and the pacing cost,
// whatever the shared machine's load does to both. Peak resident memory
// shows the file is streamed. Then a CapFrameX JSON capture of JSON_MB,
// read whole (simdjson) and replayed the same way, in rounds of its own.
// The files are removed at the end.
//
//   capture_speed [MB [ROUNDS [JSON_MB]]]   (default 1024 MB, 3 rounds, 200 MB)
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "lab/sim/clock_model.h"
#include "lab/sim/replay.h"

namespace {

double Now(clockid_t clock) {
    timespec now;
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Rows of a live run at about 1 kHz with jitter, rules and targets as the
// keys leave them; returns the bytes written, 0 on failure.
uint64_t Generate(const std::string& path, uint64_t bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return 0;
    static char buffer[1 << 20];
    size_t used = static_cast<size_t>(std::snprintf(
        buffer, sizeof buffer, "%s\n",
        "Application,ProcessID,SwapChainAddress,Runtime,SyncInterval,PresentFlags,Dropped,"
        "TimeInSeconds,MsBetweenPresents,MsBetweenDisplayChange,MsUntilDisplayed,PacerClockMs,"
        "LeftUpdated,LeftMsBetweenUpdates,LeftTarget,LeftRule,RightUpdated,RightMsBetweenUpdates,"
        "RightTarget,RightRule,LeftSeenMs,RightSeenMs"));
    uint64_t total = 0;
    uint64_t random = 1;
    double s = 0.0;
    double previous = 0.0;
    for (uint64_t i = 0; total + used < bytes; ++i) {
        s += 0.0008 + UnitFraction(NextRandom(random)) * 0.0004;
        const bool left = i % 16 == 0;
        const bool right = i % 32 == 0;
        const bool shown = i % 16 == 1;
        char leftMs[16] = "";
        char rightMs[16] = "";
        if (left)
            std::snprintf(leftMs, sizeof leftMs, "%.4f", 16.0 + (i % 3) * 0.5);
        if (right)
            std::snprintf(rightMs, sizeof rightMs, "%.4f", 32.0 + (i % 5) * 0.25);
        used += static_cast<size_t>(std::snprintf(
            buffer + used, sizeof buffer - used,
            "tempola,4242,0,OpenGL,0,0,%d,%.7f,%.4f,%s,%s,%u,%d,%s,62.0,adaptive,%d,%s,31.0,fixed,"
            "%s,%s\n",
            shown ? 0 : 1, s, (s - previous) * 1000.0, shown ? "16.6667" : "",
            shown ? "14.2000" : "", static_cast<unsigned>(s * 1000.0), left, leftMs, right, rightMs,
            shown ? "16.6667" : "", shown && i % 32 == 1 ? "33.3333" : ""));
        previous = s;
        if (used > sizeof buffer - 512) {
            if (std::fwrite(buffer, 1, used, f) != used)
                break;
            total += used;
            used = 0;
        }
    }
    if (used > 0 && std::fwrite(buffer, 1, used, f) == used)
        total += used;
    return std::fclose(f) == 0 ? total : 0;
}

// A CapFrameX JSON capture of about the same frames: one run, the arrays a
// present monitor's columns, Dropped as booleans; returns the bytes written.
uint64_t GenerateJson(const std::string& path, uint64_t bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return 0;
    // About 38 bytes a frame over the five arrays.
    const uint64_t frames = bytes / 38 + 2;
    const char* const names[5] = {"TimeInSeconds", "MsBetweenPresents", "MsBetweenDisplayChange",
                                  "MsUntilDisplayed", "Dropped"};
    std::fprintf(f,
                 "{\"Info\":{\"GameName\":\"bench\",\"Processor\":\"cpu\",\"GPU\":\"gpu\"},"
                 "\"Runs\":[{\"CaptureData\":{");
    for (int a = 0; a < 5; ++a) {
        std::fprintf(f, "%s\"%s\":[", a > 0 ? "," : "", names[a]);
        uint64_t random = 1;
        double s = 0.0;
        for (uint64_t i = 0; i < frames; ++i) {
            const double gap = 0.0008 + UnitFraction(NextRandom(random)) * 0.0004;
            s += gap;
            const bool shown = i % 16 == 1;
            const char* comma = i > 0 ? "," : "";
            switch (a) {
            case 0: std::fprintf(f, "%s%.7f", comma, s); break;
            case 1: std::fprintf(f, "%s%.4f", comma, gap * 1000.0); break;
            case 2: std::fprintf(f, "%s%.4f", comma, shown ? 16.6667 : 0.0); break;
            case 3: std::fprintf(f, "%s%.4f", comma, shown ? 14.2 : 0.0); break;
            default: std::fprintf(f, "%s%s", comma, shown ? "false" : "true"); break;
            }
        }
        std::fprintf(f, "]");
    }
    std::fprintf(f, "}}]}\n");
    const long size = std::ftell(f);
    return std::fclose(f) == 0 && size > 0 ? static_cast<uint64_t>(size) : 0;
}

// The floor: reading the file and finding its lines, nothing more.
uint64_t BareRead(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    static char buffer[1 << 20];  // the reader's buffer size
    uint64_t lines = 0;
    size_t got = 0;
    while (f != nullptr && (got = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        for (const char* p = buffer;
             (p = static_cast<const char*>(std::memchr(p, '\n', buffer + got - p))) != nullptr;) {
            ++lines;
            ++p;
        }
    }
    if (f != nullptr)
        std::fclose(f);
    return lines;
}

// The JSON capture's rounds: read whole and replayed, CPU time of the one
// thread; returns the exit code.
int JsonRounds(const std::string& path, double mb, int rounds, CaptureReader& reader,
               ReplayResult& result) {
    const uint64_t bytes = GenerateJson(path, static_cast<uint64_t>(mb * 1e6));
    if (bytes == 0) {
        std::fprintf(stderr, "capture_speed: could not write %s\n", path.c_str());
        std::remove(path.c_str());
        return 1;
    }
    ReplaySetup setup{};
    setup.path = path.c_str();
    setup.side[0] = SideSetup{kRuleAdaptive, 62.0};
    setup.side[1] = SideSetup{kRuleFixed, 31.0};
    const double megabytes = static_cast<double>(bytes) / 1e6;
    std::printf("capture: %.0f MB CapFrameX JSON\n", megabytes);
    double total = 0.0;
    int code = 0;
    for (int round = 0; round < rounds; ++round) {
        const double start = Now(CLOCK_PROCESS_CPUTIME_ID);
        char error[600] = "";
        if (!RunReplay(setup, reader, result, kNoFrameSink, error, sizeof error, nullptr)) {
            std::fprintf(stderr, "capture_speed: %s\n", error);
            code = 1;
            break;
        }
        const double cpu = Now(CLOCK_PROCESS_CPUTIME_ID) - start;
        total += cpu;
        std::printf("round %d: JSON replay %.0f MB/s cpu (%llu redraws)\n", round + 1,
                    megabytes / cpu, static_cast<unsigned long long>(result.sim.frames));
    }
    if (code == 0) {
        rusage usage;
        getrusage(RUSAGE_SELF, &usage);
        std::printf(
            "JSON replay: %.0f MB/s on one core (mean over %d rounds); peak resident %ld KiB\n",
            megabytes * rounds / total, rounds, usage.ru_maxrss);
    }
    std::remove(path.c_str());
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    const double mb = argc > 1 ? std::atof(argv[1]) : 1024.0;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const double jsonMb = argc > 3 ? std::atof(argv[3]) : 200.0;
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp != nullptr ? tmp : "/tmp") + "/tempola-capture-XXXXXX";
    if (!(mb > 0.0) || rounds < 1 || !(jsonMb >= 0.0) || mkdtemp(&folder[0]) == nullptr) {
        std::fprintf(stderr,
                     "usage: capture_speed [MB [ROUNDS [JSON_MB]]] (and a writable TMPDIR)\n");
        return 2;
    }
    const std::string path = folder + "/capture.csv";
    const uint64_t bytes = Generate(path, static_cast<uint64_t>(mb * 1e6));
    int code = 0;
    CaptureReaderPtr reader = NewCaptureReader();
    auto result = std::make_unique<ReplayResult>();
    ReplaySetup setup{};
    setup.path = path.c_str();
    setup.side[0] = SideSetup{kRuleAdaptive, 62.0};
    setup.side[1] = SideSetup{kRuleFixed, 31.0};
    const double megabytes = static_cast<double>(bytes) / 1e6;
    std::printf("capture: %.0f MB Tempola frame log (%s)\n", megabytes, path.c_str());
    double replayCpu = 0.0;
    double bareCpu = 0.0;
    for (int round = 0; bytes > 0 && round < rounds; ++round) {
        double start = Now(CLOCK_PROCESS_CPUTIME_ID);
        const double wall = Now(CLOCK_MONOTONIC);
        char error[600] = "";
        if (!RunReplay(setup, *reader, *result, kNoFrameSink, error, sizeof error, nullptr)) {
            std::fprintf(stderr, "capture_speed: %s\n", error);
            code = 1;
            break;
        }
        const double cpu = Now(CLOCK_PROCESS_CPUTIME_ID) - start;
        const double wallTime = Now(CLOCK_MONOTONIC) - wall;
        start = Now(CLOCK_PROCESS_CPUTIME_ID);
        const uint64_t lines = BareRead(path);
        const double bare = Now(CLOCK_PROCESS_CPUTIME_ID) - start;
        replayCpu += cpu;
        bareCpu += bare;
        std::printf(
            "round %d: replay %.0f MB/s cpu (%.0f MB/s wall, %llu redraws), bare read %.0f MB/s "
            "cpu (%llu lines)\n",
            round + 1, megabytes / cpu, megabytes / wallTime,
            static_cast<unsigned long long>(result->sim.frames), megabytes / bare,
            static_cast<unsigned long long>(lines));
    }
    if (code == 0 && bytes > 0) {
        rusage usage;
        getrusage(RUSAGE_SELF, &usage);
        std::printf(
            "replay: %.0f MB/s on one core (mean over %d rounds), %.2f x the bare read's "
            "time; peak resident %ld KiB\n",
            megabytes * rounds / replayCpu, rounds, replayCpu / bareCpu, usage.ru_maxrss);
    } else if (bytes == 0) {
        std::fprintf(stderr, "capture_speed: could not write %s\n", path.c_str());
        code = 1;
    }
    std::remove(path.c_str());
    if (code == 0 && jsonMb > 0.0)
        code = JsonRounds(folder + "/capture.json", jsonMb, rounds, *reader, *result);
    rmdir(folder.c_str());
    return code;
}
