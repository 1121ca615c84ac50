#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "lab/sim/frame_gen.h"
#include "lab/sim/replay.h"
#include "temp_file.h"

namespace {

struct Generated {
    std::vector<FrameSample> samples;  // every frame shown, as the sink got it
    std::vector<FrameDisplay> cells;
    FrameGenFigures figures;
    IntervalFigures seen[2];
};

// Application frames at the given times, each moving both sides, through an
// N-step generator to a display with no latch.
std::unique_ptr<Generated> Generate(int n, double ms, double hz, const std::vector<double>& times) {
    auto g = std::make_unique<Generated>();
    SimSide sides[2] = {};
    ResetFigures(g->seen[0]);
    ResetFigures(g->seen[1]);
    auto keep = [](void* user, const FrameSample& sample, const FrameDisplay& display) {
        static_cast<Generated*>(user)->samples.push_back(sample);
        static_cast<Generated*>(user)->cells.push_back(display);
    };
    FrameGen gen;
    StartFrameGen(gen, FrameGenModel{n, ms}, hz, 0.0, &g->seen[0], &g->seen[1], sides,
                  FrameSink{keep, g.get()}, &g->figures, nullptr, false);
    for (double t : times) {
        FrameSample sample{};
        sample.seconds = t;
        sample.left.updated = sample.right.updated = true;
        SinkFrame(FrameGenSink(gen), sample, kUnknownDisplay);
    }
    FinishFrameGen(gen, times.back() + 1.0);
    return g;
}

// Application frames at 10 ms + i / 30 s. Without a generator each is shown
// by the first refresh after it, N i + 1 on a display of 30 N Hz. With one,
// N - 1 generated frames come first, a refresh apart, and the application's
// at refresh N i + N: (N - 1) / N of its interval later.
void ExpectHandWorked(int n) {
    std::vector<double> times;
    for (int i = 0; i < 30; ++i)
        times.push_back(0.010 + i / 30.0);
    const double hz = 30.0 * n;
    auto g = Generate(n, 1.0, hz, times);
    // The first frame has none before it to step from.
    ASSERT_EQ(g->samples.size(), static_cast<size_t>(n * 29 + 1));
    EXPECT_EQ(g->figures.generated, static_cast<uint64_t>((n - 1) * 29));
    for (size_t row = 0; row < g->samples.size(); ++row) {
        const FrameSample& s = g->samples[row];
        ASSERT_EQ(s.generated, row % n != 0) << row;
        EXPECT_EQ(s.left.updated, !s.generated) << row;
        ASSERT_EQ(g->cells[row].fate, FrameFate::kShown) << row;
        EXPECT_NEAR(s.seconds + g->cells[row].untilMs * 0.001, (row + n) / hz, 1e-9) << row;
        if (!s.generated) {
            EXPECT_NEAR(s.seconds - times[row / n], (n - 1) / hz + 0.001, 1e-9) << row;
        }
    }
    // A steady display at N times the application's rate; the sides' poses
    // seen at the application's.
    EXPECT_NEAR(g->figures.displayed.min, 1.0 / hz, 1e-9);
    EXPECT_NEAR(g->figures.displayed.max, 1.0 / hz, 1e-9);
    EXPECT_NEAR(g->figures.held.mean, (n - 1) / hz + 0.001, 1e-9);
    EXPECT_EQ(g->seen[0].count, 29u);
    EXPECT_NEAR(g->seen[0].min, 1.0 / 30.0, 1e-9);
    EXPECT_NEAR(g->seen[1].max, 1.0 / 30.0, 1e-9);
}

// A present monitor's 2.x CSV: application frames 20 ms apart, a frame of
// each type given between each two (none for null), shown 5 ms after.
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
    std::vector<bool> generated;  // as the sink was told
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
    auto mark = [](void* user, const FrameSample& s, const FrameDisplay&) {
        static_cast<std::vector<bool>*>(user)->push_back(s.generated);
    };
    EXPECT_TRUE(RunReplay(setup, *r->reader, *r->result, FrameSink{mark, &r->generated}, error,
                          sizeof error, nullptr))
        << error;
    return r;
}

}  // namespace

TEST(FrameGen, TwoAndThreeStepsAtThirtyHzHandWorked) {
    ExpectHandWorked(2);
    ExpectHandWorked(3);
}

// After a 60 ms gap the display steps widen and the frame after it, ready
// while the gap's frames are still shown, comes a step after them: its
// generated frame is dropped and the generator catches up.
TEST(FrameGen, TheApplicationsStutterAndLatencyRemain) {
    auto g = Generate(2, 0.0, 1000.0, {0.0005, 0.0205, 0.0405, 0.1005, 0.1205});
    // Holds 10, 10, 10, 30 (half the gap), then 20 ms.
    EXPECT_NEAR(g->figures.held.mean, 0.016, 1e-9);
    EXPECT_NEAR(g->figures.held.max, 0.030, 1e-9);
    EXPECT_EQ(g->figures.generated, 3u);
    EXPECT_EQ(g->figures.shownApplication, 5u);
    // On screen: 10 ms steps, then 50 and 30 ms across the gap, then 10.
    EXPECT_EQ(g->figures.displayed.count, 7u);
    EXPECT_NEAR(g->figures.displayed.max, 0.050, 1e-9);
}

// Six application frames 20 ms apart with a frame of every kind a present
// monitor writes between: the pacers see what the same capture without them
// shows, the display figures count all, and the facts say who made them.
TEST(FrameGen, ReplayGivesThePacersTheApplicationsCadence) {
    TempFile generated("framegen");
    TempFile plain("appframes");
    WriteCapture(generated.path,
                 {"Repeated", "Intel XeSS-FG", "AMD AFMF", "Acme Frames 9", "Intel XeSS-FG"});
    WriteCapture(plain.path, {nullptr, nullptr, nullptr, nullptr, nullptr});
    auto g = Replay(generated.path);
    auto p = Replay(plain.path);
    const SimResult& gs = g->result->sim;
    EXPECT_EQ(gs.frames, 6u);
    EXPECT_NEAR(gs.cadence.redraw.min, 0.020, 1e-9);
    EXPECT_NEAR(gs.cadence.redraw.max, 0.020, 1e-9);
    for (int side = 0; side < 2; ++side) {
        EXPECT_EQ(gs.side[side].updates, p->result->sim.side[side].updates);
        EXPECT_NEAR(gs.side[side].seen.mean, p->result->sim.side[side].seen.mean, 1e-9);
    }
    EXPECT_EQ(g->result->shownIntervals.count, 10u);
    EXPECT_NEAR(g->result->shownIntervals.max, 0.010, 1e-9);
    EXPECT_EQ(g->generated, std::vector<bool>({0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0}));
    EXPECT_EQ(p->generated, std::vector<bool>(6, false));
    // 11 frames shown over 100 ms, 6 of them the application's.
    const CaptureFacts& facts = g->result->facts;
    EXPECT_EQ(facts.generatedFrames, 5u);
    EXPECT_NEAR(CaptureDisplayedRate(facts), 100.0, 1e-9);
    EXPECT_NEAR(CaptureApplicationRate(facts), 50.0, 1e-9);  // the same as without them
    EXPECT_NEAR(CaptureApplicationRate(p->result->facts), 50.0, 1e-9);
}
