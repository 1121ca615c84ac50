#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "lab/sim/frame_gen.h"
#include "lab/sim_options.h"

namespace {

struct Shown {
    std::vector<FrameSample> samples;
    std::vector<FrameDisplay> cells;
};

void Keep(void* user, const FrameSample& sample, const FrameDisplay& display) {
    Shown& shown = *static_cast<Shown*>(user);
    shown.samples.push_back(sample);
    shown.cells.push_back(display);
}

struct Generated {
    Shown shown;
    FrameGenFigures figures;
    IntervalFigures seen[2];
    std::unique_ptr<QuantileKeeper> latency = std::make_unique<QuantileKeeper>();
};

// Application frames at offset + i / appHz, each moving both sides, through
// an N-step generator (1 ms of its own) to a display with no latch.
std::unique_ptr<Generated> Generate(int steps, double appHz, double displayHz, int frames,
                                    double offset = 0.010) {
    auto g = std::make_unique<Generated>();
    SimSide sides[2];
    StartSide(sides[0], SideSetup{kRuleEveryRedraw, 62.0});
    StartSide(sides[1], SideSetup{kRuleEveryRedraw, 62.0});
    ResetFigures(g->seen[0]);
    ResetFigures(g->seen[1]);
    ResetQuantiles(*g->latency);
    FrameGen gen;
    StartFrameGen(gen, FrameGenModel{steps, 1.0}, displayHz, 0.0, &g->seen[0], &g->seen[1], sides,
                  FrameSink{Keep, &g->shown}, &g->figures, g->latency.get(), false);
    const FrameSink in = FrameGenSink(gen);
    for (int i = 0; i < frames; ++i) {
        FrameSample sample{};
        sample.seconds = offset + i / appHz;
        sample.left.updated = sample.right.updated = true;
        SinkFrame(in, sample, kUnknownDisplay);
    }
    FinishFrameGen(gen, offset + frames / appHz + 0.1);
    return g;
}

double DisplayedAt(const Generated& g, size_t row) {
    return g.shown.samples[row].seconds + g.shown.cells[row].untilMs * 0.001;
}

// The hand-worked case: application frames at 10 ms + i / 30 s; without a
// generator each is shown by the first refresh after it, (N i + 1) / (30 N)
// on a display of 30 N Hz. With one, N - 1 generated frames come first, a
// refresh apart, and the application's own frame one refresh (1 / N of its
// interval) each later: refresh N i + N, (N - 1) / N of an interval late.
void ExpectHandWorked(int n) {
    const int frames = 30;
    const double displayHz = 30.0 * n;
    auto g = Generate(n, 30.0, displayHz, frames);
    const Shown& shown = g->shown;
    // The first frame has none before it to step from.
    ASSERT_EQ(shown.samples.size(), static_cast<size_t>(n * (frames - 1) + 1));
    EXPECT_EQ(g->figures.generated, static_cast<uint64_t>((n - 1) * (frames - 1)));
    EXPECT_EQ(g->figures.shownApplication, static_cast<uint64_t>(frames));
    EXPECT_EQ(g->figures.shownGenerated, g->figures.generated);
    for (size_t row = 0; row < shown.samples.size(); ++row) {
        const FrameSample& s = shown.samples[row];
        // Rows in order: the application's frame i is row N i.
        ASSERT_EQ(s.generated, row % n != 0) << row;
        EXPECT_EQ(s.left.updated, !s.generated) << row;
        ASSERT_EQ(shown.cells[row].fate, FrameFate::kShown) << row;
        EXPECT_NEAR(DisplayedAt(*g, row), static_cast<double>(row + n) / displayHz, 1e-9) << row;
        if (!s.generated) {
            const double made = 0.010 + static_cast<double>(row / n) / 30.0;
            EXPECT_NEAR(s.seconds - made, (n - 1) / (30.0 * n) + 0.001, 1e-9) << row;
            EXPECT_NEAR(shown.cells[row].latencyMs, (n / displayHz - 0.010) * 1000.0, 1e-6);
        }
    }
    // A steady display at N times the application's rate.
    EXPECT_EQ(g->figures.displayed.count, shown.samples.size() - 1);
    EXPECT_NEAR(g->figures.displayed.min, 1.0 / displayHz, 1e-9);
    EXPECT_NEAR(g->figures.displayed.max, 1.0 / displayHz, 1e-9);
    EXPECT_NEAR(g->figures.held.mean, (n - 1) / (30.0 * n) + 0.001, 1e-9);
    // The sides' poses are seen at the application's cadence, not the display's.
    for (const IntervalFigures& seen : g->seen) {
        EXPECT_EQ(seen.count, static_cast<uint64_t>(frames - 1));
        EXPECT_NEAR(seen.min, 1.0 / 30.0, 1e-9);
        EXPECT_NEAR(seen.max, 1.0 / 30.0, 1e-9);
    }
    EXPECT_EQ(g->latency->count, static_cast<uint64_t>(frames));
}

bool Parse(std::vector<const char*> args, SimOptions* options, std::string* error) {
    args.insert(args.begin(), "tempola-sim");
    char text[512] = "";
    const bool ok =
        ParseSimOptions(static_cast<int>(args.size()), args.data(), options, text, sizeof text);
    *error = text;
    return ok;
}

std::unique_ptr<SimResult> RunParsed(std::vector<const char*> args, SimSetup* setup) {
    auto options = std::make_unique<SimOptions>();
    std::string error;
    EXPECT_TRUE(Parse(args, options.get(), &error)) << error;
    *setup = options->setup;
    auto result = std::make_unique<SimResult>();
    RunSim(*setup, *result);
    return result;
}

}  // namespace

TEST(FrameGen, TwoAndThreeStepsAtThirtyHzHandWorked) {
    ExpectHandWorked(2);
    ExpectHandWorked(3);
}

// A stutter of the application stays on screen: the display's steps widen
// with the application's interval, and the frame after it, ready while the
// gap's frames are still shown, waits a step after them; the generator
// drops its frame that would come too late, and so catches up.
TEST(FrameGen, TheApplicationsStutterAndLatencyRemain) {
    auto g = std::make_unique<Generated>();
    SimSide sides[2];
    StartSide(sides[0], SideSetup{kRuleEveryRedraw, 62.0});
    StartSide(sides[1], SideSetup{kRuleEveryRedraw, 62.0});
    ResetFigures(g->seen[0]);
    ResetFigures(g->seen[1]);
    FrameGen gen;
    StartFrameGen(gen, FrameGenModel{2, 0.0}, 1000.0, 0.0, &g->seen[0], &g->seen[1], sides,
                  FrameSink{Keep, &g->shown}, &g->figures, nullptr, false);
    // Half a refresh off the display's, so no frame sits on a refresh.
    const double times[] = {0.0005, 0.0205, 0.0405, 0.1005, 0.1205};
    for (double t : times) {
        FrameSample sample{};
        sample.seconds = t;
        sample.left.updated = true;
        SinkFrame(FrameGenSink(gen), sample, kUnknownDisplay);
    }
    FinishFrameGen(gen, 1.0);
    // Holds: 10, 10, 10 ms; 30 (half the 60 ms gap); 20, a step after the
    // frame before, its generated frame dropped.
    EXPECT_NEAR(g->figures.held.mean, 0.016, 1e-9);
    EXPECT_NEAR(g->figures.held.max, 0.030, 1e-9);
    EXPECT_EQ(g->figures.generated, 3u);
    // On screen 10 ms steps, then 50 and 30 ms ones across the gap.
    EXPECT_EQ(g->figures.displayed.count, 7u);
    EXPECT_NEAR(g->figures.displayed.max, 0.050, 1e-9);
    EXPECT_NEAR(g->figures.displayed.min, 0.010, 1e-9);
    EXPECT_EQ(g->figures.shownApplication, 5u);
}

// The plain and the limited loop feed the generator alike; the figures the
// pacers keep are the application's.
TEST(FrameGen, RunsBehindThePlainAndTheLimitedLoop) {
    SimSetup setup{};
    auto plain = RunParsed(
        {"--redraw", "30", "--display-hz", "60", "--frame-gen", "2", "--seconds", "2"}, &setup);
    EXPECT_EQ(plain->frames, 60u);
    EXPECT_NEAR(plain->cadence.redraw.mean, 1.0 / 30.0, 1e-9);
    EXPECT_EQ(plain->frameGen.generated, 59u);
    EXPECT_NEAR(plain->frameGen.displayed.max, 1.0 / 60.0, 1e-9);
    EXPECT_NEAR(plain->frameGen.held.mean, 1.0 / 60.0 + 0.001, 1e-9);
    EXPECT_EQ(plain->shown + plain->dropped + 1, plain->frames);  // the last is held past the end
    auto limited = RunParsed({"--limit", "30", "--render-ms", "5", "--display-hz", "60",
                              "--frame-gen", "2", "--frame-gen-ms", "2", "--seconds", "2"},
                             &setup);
    EXPECT_NEAR(limited->cadence.redraw.mean, 1.0 / 30.0, 1e-4);
    EXPECT_NEAR(limited->frameGen.held.mean, 1.0 / 60.0 + 0.002, 1e-4);
    EXPECT_NEAR(limited->frameGen.displayed.mean, 1.0 / 60.0, 1e-4);
    // From the start of each frame: its drawing, its hold, then the refresh.
    EXPECT_GT(QuantileSeconds(limited->displayLatency, 0.5), 0.005 + 1.0 / 60.0 + 0.002);
}

TEST(FrameGen, OptionsRefuseWhatTheModelCannotRun) {
    SimOptions options;
    std::string error;
    const std::vector<std::vector<const char*>> bad = {
        {"--frame-gen", "2"},
        {"--frame-gen", "1", "--display-hz", "60"},
        {"--frame-gen", "5", "--display-hz", "60"},
        {"--frame-gen", "2.5", "--display-hz", "60"},
        {"--frame-gen", "2", "--frame-gen-ms", "-1", "--display-hz", "60"},
        {"--frame-gen-ms", "2", "--display-hz", "60"},
        {"--frame-gen", "2", "--display-hz", "60", "--limit", "display"},
        {"--frame-gen", "2", "--display-hz", "60", "--replay", "x.csv"},
    };
    for (const auto& args : bad) {
        EXPECT_FALSE(Parse(args, &options, &error)) << args[0] << " " << args[1];
        EXPECT_NE(error.find("--frame-gen"), std::string::npos) << error;
    }
    EXPECT_TRUE(
        Parse({"--frame-gen", "4", "--frame-gen-ms", "0", "--display-hz", "240", "--limit", "60"},
              &options, &error))
        << error;
    EXPECT_EQ(options.setup.frameGen.steps, 4);
    EXPECT_EQ(options.setup.frameGen.generateMs, 0.0);
    EXPECT_TRUE(Parse({"--display-hz", "60"}, &options, &error));
    EXPECT_EQ(options.setup.frameGen.steps, 0);
    EXPECT_EQ(options.setup.frameGen.generateMs, 1.0);
}
