// How fast tempola-sim works: simulated redraws per second on one core (both
// sides paced, all figures kept, no log), with and without a display and
// jitter; resident memory after a short and a long run, which should match
// since nothing is kept per redraw; and the wall time of the default sweep
// on every core.
//
//   sim_speed [SECONDS]   (length of the long single runs at 1 kHz; default 20000)
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "lab/sim_options.h"
#include "lab/sim/sim_run.h"
#include "lab/sim/sweep.h"

namespace {

double Now(clockid_t clock) {
    timespec now;
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

long PeakResidentKiB() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void PrintMachine() {
    char model[256] = "unknown";
    if (std::FILE* f = std::fopen("/proc/cpuinfo", "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, f) != nullptr) {
            const char* colon = std::strchr(line, ':');
            if (std::strncmp(line, "model name", 10) == 0 && colon != nullptr) {
                std::snprintf(model, sizeof model, "%s", colon + 2);
                model[std::strcspn(model, "\n")] = '\0';
                break;
            }
        }
        std::fclose(f);
    }
    std::printf("machine: %u cores, %s; compiler %s\n", std::thread::hardware_concurrency(), model,
                __VERSION__);
}

SimSetup Setup(double seconds, double displayHz, double jitterMs) {
    SimSetup setup{};
    setup.redraw = RedrawModel{1000.0, jitterMs, 1, 0.0, 0.0, seconds};
    setup.clock = PacerClock::kMilliseconds;
    setup.displayHz = displayHz;
    setup.side[0] = SideSetup{kRuleAdaptive, 62.0};
    setup.side[1] = SideSetup{kRuleFixed, 31.0};
    return setup;
}

// The best of three runs on this thread, since the machine is shared; CPU
// time is the thread's own, wall time includes whatever else was running.
void TimeRun(const char* label, const SimSetup& setup, SimResult& result) {
    double cpuTook = 1e300;
    double wallTook = 1e300;
    for (int round = 0; round < 3; ++round) {
        const double wall = Now(CLOCK_MONOTONIC);
        const double cpu = Now(CLOCK_THREAD_CPUTIME_ID);
        RunSim(setup, result);
        cpuTook = std::min(cpuTook, Now(CLOCK_THREAD_CPUTIME_ID) - cpu);
        wallTook = std::min(wallTook, Now(CLOCK_MONOTONIC) - wall);
    }
    const double frames = static_cast<double>(result.frames);
    std::printf("| %s | %.0f | %.2f | %.2f | %.1f | %.1f |\n", label, frames, cpuTook, wallTook,
                frames / cpuTook / 1e6, frames / wallTook / 1e6);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20000.0;
    if (!(seconds > 0.0 && seconds <= 1e6)) {
        std::fprintf(stderr, "usage: sim_speed [SECONDS]   (0 < SECONDS <= 1e6)\n");
        return 2;
    }
    std::printf("command: %s %g\n", argv[0], seconds);
    PrintMachine();

    std::unique_ptr<SimResult> result(new SimResult);
    std::printf(
        "\nsingle runs, one core, 1 kHz redraws, adaptive 62 left, fixed 31 right, "
        "best of 3:\n\n");
    std::printf("| run | redraws | cpu s | wall s | M redraws/s (cpu) | M redraws/s (wall) |\n");
    std::printf("|---|---|---|---|---|---|\n");
    TimeRun("short, 100 s", Setup(100.0, 0.0, 0.0), *result);
    const long shortKiB = PeakResidentKiB();
    TimeRun("plain", Setup(seconds, 0.0, 0.0), *result);
    const long longKiB = PeakResidentKiB();
    TimeRun("60 Hz display", Setup(seconds, 60.0, 0.0), *result);
    TimeRun("60 Hz display, 2 ms jitter", Setup(seconds, 60.0, 2.0), *result);
    std::printf("\npeak resident memory: %ld KiB after the 100 s run, %ld KiB after the %g s run\n",
                shortKiB, longKiB, seconds);

    const char* const args[] = {"tempola-sim", "--sweep"};
    SimOptions options;
    char error[256];
    if (!ParseSimOptions(2, args, &options, error, sizeof error)) {
        std::fprintf(stderr, "sim_speed: %s\n", error);
        return 1;
    }
    const SweepSetup sweep = SweepSetupOf(options);
    std::vector<SweepRow> rows(SweepRowCount(sweep));
    double wallTook = 1e300;
    double cpuTook = 1e300;
    for (int round = 0; round < 3; ++round) {
        const double wall = Now(CLOCK_MONOTONIC);
        const double cpu = Now(CLOCK_PROCESS_CPUTIME_ID);
        RunSweep(sweep, 0, rows.data(), nullptr);
        wallTook = std::min(wallTook, Now(CLOCK_MONOTONIC) - wall);
        cpuTook = std::min(cpuTook, Now(CLOCK_PROCESS_CPUTIME_ID) - cpu);
    }
    std::printf(
        "\ndefault sweep (tempola-sim --sweep: %zu points, 10 s each, %u threads), "
        "best of 3: %.2f s wall, %.2f s cpu\n",
        rows.size(), std::thread::hardware_concurrency(), wallTook, cpuTook);
    return 0;
}
