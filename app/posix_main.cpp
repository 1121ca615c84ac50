// The program's entry on a POSIX desktop.
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/options.h"
#include "app/run.h"
#include "demo/scene.h"

namespace {

// The boot-time clock: the kernel's process start time is on it.
double BootSeconds() {
    timespec now;
    clock_gettime(CLOCK_BOOTTIME, &now);
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

double CpuSeconds() {
    rusage use;
    if (getrusage(RUSAGE_SELF, &use) != 0)
        return 0.0;
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(use.ru_utime) + seconds(use.ru_stime);
}

void ReportLine(const char* line) {
    std::fprintf(stderr, "%s\n", line);
}

}  // namespace

int main(int argc, char** argv) {
    const double mainEntered = BootSeconds();
    RunOptions options;
    char error[512];
    if (!ParseOptions(argc, argv, &options, error, sizeof error)) {
        std::fprintf(stderr, "tempola: %s\n", error);
        return 2;
    }
    if (options.help) {
        std::fputs(UsageText(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s\n", VersionText());
        return 0;
    }
    const RunEnvironment environment = {BootSeconds, options.stats ? ProcessStartSeconds() : -1.0,
                                        mainEntered, ReportLine, static_cast<long>(getpid()),
                                        CpuSeconds};
    return RunProgram(options, environment, DemoCallbacks());
}
