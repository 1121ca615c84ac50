#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "lab/sim/replay.h"
#include "lab/sim_report.h"
#include "temp_file.h"

namespace {

// A present monitor's 2.x CSV: the application's frames 20 ms apart, and
// between each two (where types says) a frame of the given FrameType, each
// shown 5 ms after its present.
void WriteCapture(const std::string& path, const std::vector<const char*>& between) {
    std::ofstream out(path);
    out << "Application,ProcessID,SwapChainAddress,PresentRuntime,SyncInterval,PresentFlags,"
           "AllowsTearing,PresentMode,FrameType,CPUStartTime,TimeInMs,MsBetweenPresents,"
           "MsInPresentAPI,MsUntilDisplayed,MsBetweenDisplayChange,MsCPUBusy,MsCPUWait\n";
    double at = 1000.0;
    double previous = at;
    auto row = [&](const char* type) {
        out << "game.exe,4242,0x1,DXGI,0,0,1,Hardware: Independent Flip," << type << "," << at - 3.0
            << "," << at << "," << at - previous << ",0.2,5.0," << at - previous << ",8.0,2.0\n";
        previous = at;
    };
    for (const char* type : between) {
        row("Application");
        at += 10.0;
        if (type != nullptr)
            row(type);
        at += 10.0;
    }
    row("Application");
}

struct Replayed {
    CaptureReaderPtr reader = NewCaptureReader();
    std::unique_ptr<ReplayResult> result = std::make_unique<ReplayResult>();
    std::vector<bool> generated;  // as the sink was told, row by row
    std::string stats;
    bool ok = false;
};

std::unique_ptr<Replayed> Replay(const std::string& path) {
    auto r = std::make_unique<Replayed>();
    ReplaySetup setup{};
    setup.path = path.c_str();
    setup.clock = PacerClock::kMilliseconds;
    setup.side[0] = SideSetup{kRuleEveryRedraw, 62.0};
    setup.side[1] = SideSetup{kRuleFixedExact, 50.0};
    setup.ruleGiven[0] = setup.ruleGiven[1] = setup.targetGiven[0] = setup.targetGiven[1] = true;
    char error[600] = "";
    const FrameSink sink{[](void* user, const FrameSample& sample, const FrameDisplay&) {
                             static_cast<std::vector<bool>*>(user)->push_back(sample.generated);
                         },
                         &r->generated};
    r->ok = RunReplay(setup, *r->reader, *r->result, sink, error, sizeof error, nullptr);
    EXPECT_TRUE(r->ok) << error;
    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    PrintSimStats(out, ReportSetup(setup, *r->result), r->result->sim, "capture",
                  &r->result->facts);
    std::fclose(out);
    r->stats.assign(text, size);
    std::free(text);
    return r;
}

bool Has(const std::string& line, const std::string& cell) {
    return line.find(" " + cell + " ") != std::string::npos ||
           line.find(" " + cell + "\n") != std::string::npos;
}

}  // namespace

// Six application frames 20 ms apart with a frame between each two, of
// every kind a present monitor writes: Repeated, two generators' names and
// one not known. The pacers see what the same capture without them shows.
TEST(ReplayFrameGen, ThePacersGetTheApplicationsCadence) {
    TempFile generated("framegen");
    TempFile plain("appframes");
    WriteCapture(generated.path,
                 {"Repeated", "Intel XeSS-FG", "AMD AFMF", "Acme Frames 9", "Intel XeSS-FG"});
    WriteCapture(plain.path, {nullptr, nullptr, nullptr, nullptr, nullptr});
    auto g = Replay(generated.path);
    auto p = Replay(plain.path);
    const SimResult& gs = g->result->sim;
    const SimResult& ps = p->result->sim;
    EXPECT_EQ(gs.frames, 6u);
    EXPECT_EQ(gs.cadence.redraw.count, 5u);
    EXPECT_NEAR(gs.cadence.redraw.min, 0.020, 1e-9);
    EXPECT_NEAR(gs.cadence.redraw.max, 0.020, 1e-9);
    for (int side = 0; side < 2; ++side) {
        EXPECT_EQ(gs.side[side].updates, ps.side[side].updates) << side;
        EXPECT_EQ(gs.side[side].seen.count, ps.side[side].seen.count) << side;
        EXPECT_NEAR(gs.side[side].seen.mean, ps.side[side].seen.mean, 1e-9) << side;
    }
    EXPECT_EQ(gs.side[0].updates, 5u);  // every redraw that sees time pass
    // The display figures count every frame shown: 10 ms apart with them.
    EXPECT_EQ(g->result->shownIntervals.count, 10u);
    EXPECT_NEAR(g->result->shownIntervals.max, 0.010, 1e-9);
    // The sink is told which frames the application did not make.
    const std::vector<bool> marked = {false, true, false, true, false, true,
                                      false, true, false, true, false};
    EXPECT_EQ(g->generated, marked);
    EXPECT_EQ(p->generated, std::vector<bool>(6, false));
}

TEST(ReplayFrameGen, TheKeysSayWhoMadeTheFrames) {
    TempFile generated("framegen");
    WriteCapture(generated.path,
                 {"Repeated", "Intel XeSS-FG", "AMD AFMF", "Acme Frames 9", "Intel XeSS-FG"});
    auto g = Replay(generated.path);
    // 11 frames shown over 100 ms, 6 of them the application's.
    EXPECT_TRUE(Has(g->stats, "capture_generated_frames=5")) << g->stats;
    EXPECT_TRUE(Has(g->stats, "capture_displayed_rate=100.00")) << g->stats;
    EXPECT_TRUE(Has(g->stats, "capture_app_rate=54.55")) << g->stats;
    EXPECT_TRUE(Has(g->stats, "frames=6")) << g->stats;
    TempFile plain("appframes");
    WriteCapture(plain.path, {nullptr, nullptr});
    auto p = Replay(plain.path);
    EXPECT_TRUE(Has(p->stats, "capture_generated_frames=0")) << p->stats;
    EXPECT_TRUE(Has(p->stats, "capture_app_rate=50.00")) << p->stats;
    EXPECT_TRUE(Has(p->stats, "capture_displayed_rate=50.00")) << p->stats;
}
