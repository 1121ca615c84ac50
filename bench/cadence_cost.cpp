// What the frame log and the cadence panel cost the redraw rate, measured in
// one process and one window: the program's own host and scene, with rounds
// of the plain program, the program writing its frame log (the real log, to
// a temporary file, fed as the program feeds it: through the queue of
// redraws waiting for the display's word), and the program with the panel on
// (toggled by the scene's own G key) alternated. Each cycle runs the three in
// turn, every other cycle backwards, so that a machine slowly getting busier
// or quieter weighs on both sides of a ratio alike. Each ratio is a cycle's
// rate against its own plain round; the medians go on the last two lines.
//
//   cadence_cost [CYCLES [SECONDS]]   (12 cycles of 1 s rounds; at least 10)
//
// Run it in a real window (bench/cadence_cost.sh starts an X server for it),
// from a folder holding the program's data files.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "demo/cadence_panel.h"
#include "demo/pacing.h"
#include "demo/presentations.h"
#include "demo/scene.h"
#include "host/app.h"
#include "pacing/frame_log.h"

namespace {

enum Kind { kPlain, kLogged, kPanel, kKinds };

// After each switch, a moment not counted: the panel makes all its pictures
// at once when it comes on, and the first rows open the log's buffers.
constexpr double kSettleSeconds = 0.25;
constexpr double kWarmSeconds = 1.0;

const AppCallbacks* demo = nullptr;
FrameLog frameLog = {};
int cycles = 12;
double roundSeconds = 1.0;

struct Round {
    Kind kind;
    double rate;
    double cpuMs;  // the process's processor time a frame, every thread's
};
std::vector<Round> rounds;  // reserved up front: nothing grows while measuring
int roundIndex = -1;        // -1 while warming up
bool panelOn = false;
bool settling = true;
double phaseStart = -1.0;
long framesCounted = 0;
double cpuStart = 0.0;
CadencePanelLoad panelLoad = {};  // as the last panel round ended

double CpuSeconds() {
    rusage use;
    getrusage(RUSAGE_SELF, &use);
    return static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
           1e-6 * static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec);
}

Kind KindOf(int index) {
    const int cycle = index / kKinds;
    const int step = index % kKinds;
    return static_cast<Kind>(cycle % 2 == 0 ? step : kKinds - 1 - step);
}

void LogSettled(const FrameSample& sample, const FrameDisplay& display) {
    LogFrame(frameLog, sample, display);
}

void Enter(Kind kind) {
    settledFrameSink = kind == kLogged ? LogSettled : nullptr;
    if ((kind == kPanel) != panelOn) {
        demo->KeyDown('G');
        panelOn = !panelOn;
    }
}

// Times every frame, swap included, by the host's own counter.
bool Frame() {
    const bool goOn = demo->Render();
    const double now = frameSeconds;
    if (phaseStart < 0.0) {
        phaseStart = now;
        return goOn;
    }
    if (roundIndex < 0) {
        if (now - phaseStart >= kWarmSeconds) {
            roundIndex = 0;
            Enter(KindOf(0));
            settling = true;
            phaseStart = now;
        }
        return goOn;
    }
    if (settling) {
        if (now - phaseStart >= kSettleSeconds) {
            settling = false;
            phaseStart = now;
            framesCounted = 0;
            cpuStart = CpuSeconds();
        }
        return goOn;
    }
    ++framesCounted;
    if (now - phaseStart < roundSeconds) {
        return goOn;
    }
    if (KindOf(roundIndex) == kPanel) {
        panelLoad = CadencePanelDrawn();
    }
    const double frames = static_cast<double>(framesCounted);
    rounds.push_back({KindOf(roundIndex), frames / (now - phaseStart),
                      1000.0 * (CpuSeconds() - cpuStart) / frames});
    ++roundIndex;
    if (roundIndex == cycles * kKinds) {
        return false;
    }
    Enter(KindOf(roundIndex));
    settling = true;
    phaseStart = now;
    return goOn;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        cycles = static_cast<int>(std::strtol(argv[1], nullptr, 10));
    }
    if (argc > 2) {
        roundSeconds = std::strtod(argv[2], nullptr);
    }
    if (cycles < 10 || cycles > 1000 || !(roundSeconds >= 1.0 && roundSeconds <= 600.0)) {
        std::fprintf(stderr, "usage: cadence_cost [CYCLES (10 to 1000) [SECONDS (1 to 600)]]\n");
        return 2;
    }
    // The settings file and the log go to a folder of our own.
    char folder[] = "/tmp/tempola-cadence-cost-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::perror("cadence_cost: mkdtemp");
        return 1;
    }
    setenv("XDG_CONFIG_HOME", folder, 1);
    const std::string logPath = std::string(folder) + "/frames.csv";
    char error[512];
    if (!OpenFrameLog(frameLog, logPath.c_str(), CaptureIdentity{"tempola", getpid(), 0}, error,
                      sizeof error)) {
        std::fprintf(stderr, "cadence_cost: %s\n", error);
        rmdir(folder);
        return 1;
    }
    rounds.reserve(static_cast<size_t>(cycles) * kKinds);

    demo = &DemoCallbacks();
    AppCallbacks app = *demo;
    app.Render = Frame;
    const int exitCode = HostMain("-fullscreen=0", app);
    FlushPresentations();
    settledFrameSink = nullptr;
    const bool logged = CloseFrameLog(frameLog);
    std::remove(logPath.c_str());
    std::remove((std::string(folder) + "/Vektorum.INI").c_str());
    rmdir(folder);
    if (exitCode != 0 || rounds.size() != static_cast<size_t>(cycles) * kKinds || !logged) {
        std::fprintf(stderr, "cadence_cost: the run did not end normally (exit %d, %zu rounds%s)\n",
                     exitCode, rounds.size(), logged ? "" : ", log failed");
        return 1;
    }

    // The processor time a frame says what each costs while the machine is
    // shared, which the rates alone cannot.
    std::printf(
        "| cycle | plain (frames/s) | log | panel | log / plain | panel / plain | "
        "cpu ms a frame: plain | log | panel |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|\n");
    std::vector<double> logRatios;
    std::vector<double> panelRatios;
    std::vector<double> cpuMs[kKinds];
    for (int c = 0; c < cycles; ++c) {
        double rate[kKinds] = {};
        double cpu[kKinds] = {};
        for (int k = 0; k < kKinds; ++k) {
            const Round& r = rounds[static_cast<size_t>(c * kKinds + k)];
            rate[r.kind] = r.rate;
            cpu[r.kind] = r.cpuMs;
        }
        logRatios.push_back(rate[kLogged] / rate[kPlain]);
        panelRatios.push_back(rate[kPanel] / rate[kPlain]);
        std::printf("| %d | %.1f | %.1f | %.1f | %.3f | %.3f | %.3f | %.3f | %.3f |\n", c + 1,
                    rate[kPlain], rate[kLogged], rate[kPanel], logRatios.back(), panelRatios.back(),
                    cpu[kPlain], cpu[kLogged], cpu[kPanel]);
        for (int k = 0; k < kKinds; ++k) {
            cpuMs[k].push_back(cpu[k]);
        }
    }
    std::printf("median cpu ms a frame: plain %.3f, log %.3f, panel %.3f\n", Median(cpuMs[kPlain]),
                Median(cpuMs[kLogged]), Median(cpuMs[kPanel]));
    std::printf("the panel draws %d rectangles, %ld pixels of the window\n", panelLoad.rectangles,
                panelLoad.pixels);
    std::printf("log_ratio=%.3f\n", Median(logRatios));
    std::printf("panel_ratio=%.3f\n", Median(panelRatios));
    return 0;
}
