// The program's entry on a POSIX desktop: our own options are taken out of the
// command line, the rest goes to the host as one text after the program's
// name, and the host runs the demonstration.
//
//   --seconds N   close the window after N seconds, the same way Escape does
//   --stats       one line of figures on standard error at exit
//   --help        the options and keys
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "demo/pacing.h"
#include "demo/scene.h"
#include "host/app.h"
#include "host/options.h"

namespace {

double Seconds(clockid_t clock) {
    timespec now;
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// When the kernel started this process, on the boot-time clock; negative when
// /proc is not there. starttime counts clock ticks (usually 10 ms) since boot.
double ProcessStartSeconds() {
    FILE* f = std::fopen("/proc/self/stat", "r");
    if (f == nullptr) {
        return -1.0;
    }
    char text[1024];
    const size_t n = std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    text[n] = '\0';
    // The command name may hold spaces and parentheses: count fields from the
    // last ')'. starttime is field 22; field 3 follows the ')'.
    const char* p = std::strrchr(text, ')');
    if (p == nullptr) {
        return -1.0;
    }
    ++p;
    for (int field = 3; field <= 22; ++field) {
        while (*p == ' ') {
            ++p;
        }
        if (field == 22) {
            char* end = nullptr;
            errno = 0;
            const unsigned long long ticks = std::strtoull(p, &end, 10);
            const long perSecond = sysconf(_SC_CLK_TCK);
            if (end == p || errno != 0 || perSecond <= 0) {
                return -1.0;
            }
            return static_cast<double>(ticks) / static_cast<double>(perSecond);
        }
        while (*p != ' ' && *p != '\0') {
            ++p;
        }
        if (*p == '\0') {
            return -1.0;
        }
    }
    return -1.0;
}

struct SideCount {
    const Pacer* pacer;
    int32_t lastCount;
    uint64_t updates;
};

struct RunStats {
    double mainEntered;     // boot-time clock
    double firstFrame;      // monotonic clock, start of the first Render
    double firstSwap;       // boot-time clock, start of the second Render
    uint64_t frames;
    SideCount left;
    SideCount right;
};

const AppCallbacks* demo = nullptr;
uint32_t stopAtMs = 0;
bool stopping = false;
RunStats stats = {};

// A pacer's update count changes on every update (up by one, or from 19
// back to 0), and at most one update happens per frame.
void CountUpdate(SideCount& side) {
    if (side.pacer->updateCount != side.lastCount) {
        side.lastCount = side.pacer->updateCount;
        ++side.updates;
    }
}

// Everything here is plain counting: no allocation, one clock read on the
// first two frames only.
bool WatchedRender() {
    if (stats.frames == 0) {
        stats.firstFrame = Seconds(CLOCK_MONOTONIC);
    } else if (stats.frames == 1) {
        // The first frame's swap has just returned.
        stats.firstSwap = Seconds(CLOCK_BOOTTIME);
    }
    ++stats.frames;
    const bool goOn = demo->Render();
    CountUpdate(stats.left);
    CountUpdate(stats.right);
    if (stopping && timeMs >= stopAtMs) {
        return false;
    }
    return goOn;
}

void PrintHelp(const char* program) {
    std::printf(
        "usage: %s [-fullscreen | -fullscreen=0] [--seconds N] [--stats] [--help]\n"
        "\n"
        "  -fullscreen     take over the screen (the default)\n"
        "  -fullscreen=0   run in a window\n"
        "  --seconds N     close after N seconds of running, as Escape does\n"
        "  --stats         print the run's figures on standard error at exit:\n"
        "                  frames, seconds, rate (frames / seconds), first_swap_ms\n"
        "                  (process start to the first finished frame),\n"
        "                  first_swap_from_main_ms, and for each side (left_, right_)\n"
        "                  updates, target and measured (the last measured rate)\n"
        "  --help          this text\n"
        "\n"
        "keys:\n"
        "  Escape          quit\n"
        "  Q / A           raise / lower the left target rate\n"
        "  W / S           raise / lower the right target rate\n",
        program);
}

int UsageError(const char* program, const char* what, const char* arg) {
    std::fprintf(stderr, "%s: %s '%s' (try --help)\n", program, what, arg);
    return 2;
}

void PrintStats(int exitCode, double processStart, double end) {
    const double seconds = stats.frames > 0 ? end - stats.firstFrame : 0.0;
    const double rate = seconds > 0.0 ? static_cast<double>(stats.frames) / seconds : 0.0;
    // Before a second frame there is no finished first frame to time from
    // within the loop: the end of the run stands in for it.
    const double firstSwap = stats.frames > 1 ? stats.firstSwap : Seconds(CLOCK_BOOTTIME);
    const double fromStart = processStart >= 0.0 ? (firstSwap - processStart) * 1000.0 : -1.0;
    const double fromMain = (firstSwap - stats.mainEntered) * 1000.0;
    std::fprintf(stderr,
                 "tempola-stats exit=%d frames=%llu seconds=%.3f rate=%.2f first_swap_ms=%.1f "
                 "first_swap_from_main_ms=%.1f "
                 "left_updates=%llu left_target=%.1f left_measured=%.2f "
                 "right_updates=%llu right_target=%.1f right_measured=%.2f\n",
                 exitCode, static_cast<unsigned long long>(stats.frames), seconds, rate,
                 stats.frames > 0 ? fromStart : -1.0, stats.frames > 0 ? fromMain : -1.0,
                 static_cast<unsigned long long>(stats.left.updates), leftPacer.target,
                 leftPacer.measuredRate, static_cast<unsigned long long>(stats.right.updates),
                 rightPacer.target, rightPacer.measuredRate);
}

}  // namespace

int main(int argc, char** argv) {
    stats.mainEntered = Seconds(CLOCK_BOOTTIME);
    const char* program = argc > 0 && argv[0] != nullptr ? argv[0] : "tempola";

    bool wantStats = false;
    double runSeconds = 0.0;
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0) {
            PrintHelp(program);
            return 0;
        }
        if (std::strcmp(arg, "--stats") == 0) {
            wantStats = true;
            continue;
        }
        if (std::strcmp(arg, "--seconds") == 0) {
            if (i + 1 >= argc) {
                return UsageError(program, "missing number of seconds after", arg);
            }
            if (!ParseRunSeconds(argv[i + 1], &runSeconds)) {
                return UsageError(program, "not a number of seconds (0 < N <= 4294967):",
                                  argv[i + 1]);
            }
            ++i;
            continue;
        }
        // The host looks for these itself, anywhere in the text.
        if (std::strncmp(arg, "-fullscreen", 11) == 0) {
            if (!commandLine.empty()) {
                commandLine += ' ';
            }
            commandLine += arg;
            continue;
        }
        return UsageError(program, "unknown option", arg);
    }

    if (!wantStats && runSeconds == 0.0) {
        return HostMain(commandLine.c_str(), DemoCallbacks());
    }

    const double processStart = wantStats ? ProcessStartSeconds() : -1.0;
    demo = &DemoCallbacks();
    AppCallbacks watched = *demo;
    watched.Render = WatchedRender;
    stopping = runSeconds > 0.0;
    stopAtMs = RunEndMs(runSeconds);
    stats.left = {&leftPacer, leftPacer.updateCount, 0};
    stats.right = {&rightPacer, rightPacer.updateCount, 0};

    const int exitCode = HostMain(commandLine.c_str(), watched);
    if (wantStats) {
        PrintStats(exitCode, processStart, Seconds(CLOCK_MONOTONIC));
    }
    return exitCode;
}
