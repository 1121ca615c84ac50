// The frame limiter against a scripted clock: every time below is made up,
// and each wait ends exactly when the test says it does.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pacing/limiter.h"
#include "pacing/stats_line.h"

namespace {

LimitSetting Rate(double hz, WaitMethod method = WaitMethod::kHybrid,
                  WaitPlacement at = WaitPlacement::kSwap) {
    return LimitSetting{LimitKind::kRate, hz, method, at};
}

// Makes the wait the plan asks for: the sleep returns `sleepLate` after the
// time asked, the spin ends `spinLate` after the deadline.
WaitOutcome Wait(Limiter& limiter, const WaitPlan& plan, double sleepLate, double spinLate = 0.0) {
    const double returned = plan.sleepUntil > plan.start ? plan.sleepUntil + sleepLate : plan.start;
    const double ended = std::max(returned, plan.deadline + spinLate);
    return FinishWait(limiter, plan, returned, ended);
}

TEST(RateSchedule, DeadlinesKeepTheirPhaseWhateverTheWakes) {
    RateSchedule s;
    StartRateSchedule(s, 50.0);
    EXPECT_EQ(TakeDeadline(s, 10.0), 10.0);  // the first redraw goes at once
    // Wakes 3 ms late, then 1 ms early of the next period: the deadlines
    // still fall every 20 ms from the start.
    EXPECT_NEAR(TakeDeadline(s, 10.003), 10.020, 1e-12);
    EXPECT_NEAR(TakeDeadline(s, 10.021), 10.040, 1e-12);
    // Late by less than a period: that deadline stands (the redraw goes at
    // once), and the next is one period after it, not after now.
    EXPECT_NEAR(TakeDeadline(s, 10.075), 10.060, 1e-12);
    EXPECT_NEAR(TakeDeadline(s, 10.076), 10.080, 1e-12);
    EXPECT_EQ(s.restarts, 0u);
}

TEST(RateSchedule, LongLatenessAndClockJumpsRestartWithoutABurst) {
    RateSchedule s;
    StartRateSchedule(s, 100.0);
    TakeDeadline(s, 1.0);
    TakeDeadline(s, 1.0);  // 1.01
    // A debugger stops the program for half a second: one redraw at once,
    // then the period again, not fifty redraws to catch up.
    EXPECT_EQ(TakeDeadline(s, 1.5), 1.5);
    EXPECT_NEAR(TakeDeadline(s, 1.5001), 1.51, 1e-12);
    EXPECT_EQ(s.restarts, 1u);
    // The clock goes back a second: no second-long wait for the old schedule.
    EXPECT_EQ(TakeDeadline(s, 0.5), 0.5);
    EXPECT_NEAR(TakeDeadline(s, 0.501), 0.51, 1e-12);
    // Far forward, as after a suspend.
    EXPECT_EQ(TakeDeadline(s, 3600.0), 3600.0);
    EXPECT_EQ(s.restarts, 3u);
}

TEST(Limiter, OffAndTheOtherPlacementNeverWait) {
    Limiter l;
    StartLimiter(l, kNoLimit, 60.0);
    for (double t = 0.0; t < 1.0; t += 0.001) {
        const SwapPlan swap = PlanSwapWait(l, t, t - 0.0005, 2);
        EXPECT_FALSE(PlanFrameWait(l, t).wait || swap.wait.wait || swap.word.wait);
    }
    ChangeLimit(l, Rate(60.0, WaitMethod::kSleep, WaitPlacement::kFrame));
    PlanFrameWait(l, 2.0);
    EXPECT_FALSE(PlanSwapWait(l, 2.001, 2.0, 2).wait.wait);
    EXPECT_TRUE(PlanFrameWait(l, 2.002).wait);
    const WaitOutcome none = FinishWait(l, PlanSwapWait(l, 2.003, 2.002, 3).wait, 2.0, 2.5);
    EXPECT_EQ(none.waitSeconds, 0.0);
    EXPECT_EQ(l.wakeLate.count, 0u);
}

// Where each limit takes its steps is decided in one place, from the
// setting: the display-timed limiter waits before the frame whatever the
// placement, and hears the drawing time and the display's word at the swap.
TEST(Limiter, PlacesComeFromTheSettingAlone) {
    for (const WaitPlacement at : {WaitPlacement::kSwap, WaitPlacement::kFrame}) {
        for (const WaitMethod method :
             {WaitMethod::kSleep, WaitMethod::kSpin, WaitMethod::kHybrid}) {
            const LimitPlaces off = PlacesOf(LimitSetting{LimitKind::kOff, 0.0, method, at});
            EXPECT_FALSE(off.beforeFrame || off.beforeSwap || off.hearsDisplay);
            const LimitPlaces rate = PlacesOf(Rate(60.0, method, at));
            EXPECT_EQ(rate.beforeFrame, at == WaitPlacement::kFrame);
            EXPECT_EQ(rate.beforeSwap, at == WaitPlacement::kSwap);
            EXPECT_FALSE(rate.hearsDisplay);
            const LimitPlaces display =
                PlacesOf(LimitSetting{LimitKind::kDisplay, 0.0, method, at});
            EXPECT_TRUE(display.beforeFrame && display.beforeSwap && display.hearsDisplay);
        }
    }
    // The limiter keeps them, and follows a change of the setting.
    Limiter l;
    StartLimiter(l, Rate(60.0, WaitMethod::kSleep, WaitPlacement::kFrame), 60.0);
    EXPECT_TRUE(l.places.beforeFrame && !l.places.beforeSwap);
    ChangeLimit(l, kNoLimit);
    EXPECT_FALSE(l.places.beforeFrame || l.places.beforeSwap || l.places.hearsDisplay);
}

// Before the swap the display-timed limiter never waits on a schedule: it
// notes the drawing time, and once the display has a cadence it plans to
// wait, a cadence at most, for the display's word on the redraw before.
TEST(Limiter, TheDisplayLimitersSwapWaitsForTheWordOnTheRedrawBefore) {
    Limiter l;
    StartLimiter(
        l, LimitSetting{LimitKind::kDisplay, 0.0, WaitMethod::kHybrid, WaitPlacement::kSwap}, 60.0);
    SwapPlan plan = PlanSwapWait(l, 1.004, 1.001, 7);
    EXPECT_FALSE(plan.wait.wait);
    EXPECT_FALSE(plan.word.wait);  // no cadence yet: nothing to wait by
    EXPECT_NEAR(RecentHighSeconds(l.display.draw), 0.003, 1e-9);
    for (int i = 0; i < 4; ++i) {
        NoteDisplayReport(l.display, DisplayReport{1.0 + i * 0.02, true, 1.01 + i * 0.02, 0.0},
                          1.011 + i * 0.02);
    }
    ASSERT_NEAR(DisplayCadence(l.display), 0.02, 1e-9);
    plan = PlanSwapWait(l, 2.0, 1.99, 9);
    EXPECT_FALSE(plan.wait.wait);
    EXPECT_TRUE(plan.word.wait);
    EXPECT_EQ(plan.word.redraw, 8u);
    EXPECT_NEAR(plan.word.giveUp, 2.02, 1e-6);  // the cadence is kept as a float
    EXPECT_EQ(plan.word.poll, kWordPoll);
    EXPECT_FALSE(PlanSwapWait(l, 2.1, 2.09, 1).word.wait);  // the first redraw has none before it
}

TEST(Limiter, EachMethodSplitsTheWaitIntoSleepAndSpin) {
    // A deadline 10 ms after the start; the sleep (if any) returns 100 us
    // late; the spin ends 2 us after the deadline, if any spin is left.
    const double h = kFirstHybridMargin;
    struct Case {
        WaitMethod method;
        double sleepUntil, end, spin;
    };
    for (const Case c : {Case{WaitMethod::kSleep, 1.01, 1.0101, 0.0},
                         Case{WaitMethod::kSpin, 1.0, 1.010002, 0.010002},
                         Case{WaitMethod::kHybrid, 1.01 - h, 1.010002, h - 0.0001 + 0.000002}}) {
        Limiter l;
        StartLimiter(l, Rate(100.0, c.method), 0.0);
        PlanSwapWait(l, 1.0, 0.99, 1);  // the first redraw goes at once
        const WaitPlan plan = PlanSwapWait(l, 1.0, 0.99, 2).wait;
        ASSERT_TRUE(plan.wait);
        EXPECT_NEAR(plan.deadline, 1.01, 1e-12);
        EXPECT_NEAR(plan.sleepUntil, c.sleepUntil, 1e-12) << WaitMethodName(c.method);
        const WaitOutcome out = Wait(l, plan, 0.0001, 0.000002);
        EXPECT_NEAR(out.waitSeconds, c.end - 1.0, 1e-9);
        EXPECT_NEAR(out.lateSeconds, c.end - 1.01, 1e-9);
        EXPECT_NEAR(out.spinSeconds, c.spin, 1e-9);
        EXPECT_EQ(l.wakeLate.count, 1u);
    }
}

TEST(Limiter, HybridMarginLearnsAHighQuantileOfTheSleepsLateness) {
    Limiter l;
    StartLimiter(l, Rate(100.0), 0.0);
    EXPECT_EQ(HybridMargin(l), kFirstHybridMargin);
    double t = 0.0;
    uint64_t redraw = 0;
    // Waits whose sleeps return `late` after the time asked, but every
    // `every`-th `rare` after it.
    auto run = [&](int waits, double late, int every = 0, double rare = 0.0) {
        for (int i = 0; i < waits; ++i) {
            const WaitPlan plan = PlanSwapWait(l, t, t - 0.002, ++redraw).wait;
            const double sleepLate = every > 0 && i % every == every - 1 ? rare : late;
            t = plan.wait ? Wait(l, plan, sleepLate).waitSeconds + plan.start : t;
            t += 0.002;  // drawing
        }
    };
    run(1, 0.0);  // the first redraw goes at once: no sleep
    // Learned only every kLearnEvery sleeps, not on each.
    run(kLearnEvery - 1, 0.00005);
    EXPECT_EQ(HybridMargin(l), kFirstHybridMargin);
    run(1, 0.00005);
    EXPECT_EQ(HybridMargin(l), kLeastHybridMargin);  // prompt sleeps: the floor
    // Sleeps 300 us late: the margin covers them, with room.
    run(200, 0.0003);
    EXPECT_GT(HybridMargin(l), 0.0003 * (1.0 + kMarginRoomShare));
    EXPECT_LT(HybridMargin(l),
              0.0003 * (1.0 + kMarginRoomShare) + kMarginRoom + 2 * kLateBinSeconds);
    // A quiet stretch lets them go, as the older sleeps weigh less and less:
    // still covered a thousand sleeps on, forgotten some thousands later.
    run(1000, 0.00005);
    EXPECT_GT(HybridMargin(l), 0.0003);
    run(5000, 0.00005);
    EXPECT_EQ(HybridMargin(l), kLeastHybridMargin);
    // One wake in a thousand 1.5 ms late is not the quantile: it does not
    // set the margin for all the others...
    run(3000, 0.00005, 1000, 0.0015);
    EXPECT_EQ(HybridMargin(l), kLeastHybridMargin);
    // ...but one in fifty is: the margin covers it within a few hundred
    // sleeps, and the next such wake ends on its deadline.
    run(400, 0.00005, 50, 0.0012);
    EXPECT_GT(HybridMargin(l), 0.0012);
    const WaitPlan plan = PlanSwapWait(l, t, t - 0.002, ++redraw).wait;
    ASSERT_TRUE(plan.wait);
    EXPECT_LE(Wait(l, plan, 0.0012).lateSeconds, 0.0);
    t = plan.deadline + 0.002;
    // Never above the cap, however late.
    run(100, 0.05);
    EXPECT_EQ(HybridMargin(l), kMostHybridMargin);
    // Waits after a 50 ms sleep were more than a period late: the schedule
    // restarted rather than rushing.
    EXPECT_GT(l.schedule.restarts, 0u);
    // At 600 Hz a wait (under 1.7 ms) is shorter than the margin: no sleep,
    // nothing learned, until the margin is dropped and the sleeps measured
    // again.
    ChangeLimit(l, Rate(600.0));  // restarts the schedule, keeps what was learned
    auto fast = [&](int waits) {
        for (int i = 0; i < waits; ++i) {
            const WaitPlan p = PlanSwapWait(l, t, t - 0.0001, ++redraw).wait;
            t = p.wait ? Wait(l, p, 0.00005).waitSeconds + p.start : t;
            t += 0.0001;
        }
    };
    fast(kUnsleptForgets + 1);  // the first redraw after the change goes at once
    EXPECT_EQ(HybridMargin(l), kFirstHybridMargin);  // forgotten
    fast(kLearnEvery + 2);
    EXPECT_EQ(HybridMargin(l), kLeastHybridMargin);
    EXPECT_GT(l.wakeLate.max, 0.045);  // the run's worst wake, across limits
}

TEST(Quantiles, WithinTheirResolutionFromMicrosecondsToMinutes) {
    QuantileKeeper q;
    ResetQuantiles(q);
    EXPECT_EQ(QuantileSeconds(q, 0.5), 0.0);
    for (const double v : {0.000003, 0.0002, 0.0213, 0.7, 95.0, 3000.0}) {
        ResetQuantiles(q);
        AddQuantile(q, v * 0.5);
        AddQuantile(q, v);
        AddQuantile(q, v * 2.0);
        EXPECT_NEAR(QuantileSeconds(q, 0.5), v, std::max(v * 0.004, 0.000001)) << v;
        EXPECT_EQ(QuantileSeconds(q, 1.0), v * 2.0);  // never past the largest
        EXPECT_NEAR(QuantileSeconds(q, 0.1), v * 0.5, std::max(v * 0.002, 0.000001)) << v;
    }
    ResetQuantiles(q);
    AddQuantile(q, -1.0);  // a clock that went back: counted as on time
    AddQuantile(q, std::nan(""));
    AddQuantile(q, 1e30);  // past the last bucket
    EXPECT_EQ(q.count, 3u);
    EXPECT_LT(QuantileSeconds(q, 0.5), 0.000001);
    EXPECT_EQ(QuantileSeconds(q, 1.0), 1e30);
}

TEST(Quantiles, BucketsAreWholeMicrosecondsThenAQuarterOfAPercentWide) {
    // Walked in whole microseconds: each bucket follows the last without a
    // gap, holds 1 us below 512 and 2^k us in the doubling from 2^(8+k),
    // and a value's fraction of a microsecond never moves it.
    int bucket = 0;
    uint64_t width = 0;
    for (uint64_t us = 0; us < (uint64_t{1} << 21); ++us) {
        const double v = static_cast<double>(us);
        const int b = QuantileBucket(v);
        ASSERT_EQ(QuantileBucket(v + 0.999), b) << us;
        if (b != bucket) {
            ASSERT_EQ(b, bucket + 1) << us;
            const uint64_t last = us - 1;  // the bucket just left
            const uint64_t wide = last < 512 ? 1 : uint64_t{1} << (63 - __builtin_clzll(last) - 8);
            ASSERT_EQ(width, wide) << us;
            bucket = b;
            width = 0;
        }
        ++width;
    }
    EXPECT_EQ(QuantileBucket(std::ldexp(1.0, 32)), 512 + 23 * 256);
    EXPECT_EQ(QuantileBucket(std::ldexp(1.0, 40)), kQuantileBuckets - 1);
    EXPECT_EQ(QuantileBucket(INFINITY), kQuantileBuckets - 1);
}

TEST(Quantiles, RecentHighIsTheSecondLargestOfTheRing) {
    RecentHigh r;
    ResetRecentHigh(r);
    EXPECT_EQ(RecentHighSeconds(r), 0.0);
    AddRecent(r, 0.003);
    EXPECT_NEAR(RecentHighSeconds(r), 0.003, 1e-9);  // alone, it is its own
    AddRecent(r, 0.001);
    EXPECT_NEAR(RecentHighSeconds(r), 0.001, 1e-9);
    // A shuffled ring of 0 to 63 us, then 0.5 s, then the ring turns over
    // with small values until both large ones leave, and again with zeros.
    for (int i = 2; i < kRecentValues; ++i) {
        AddRecent(r, 0.000001 * ((i * 37) % 64));
    }
    EXPECT_NEAR(RecentHighSeconds(r), 0.001, 1e-9);
    AddRecent(r, 0.5);  // 0.003 leaves; the outlier is the largest, not the high
    EXPECT_NEAR(RecentHighSeconds(r), 0.001, 1e-9);
    AddRecent(r, 0.0);  // 0.001 leaves
    EXPECT_NEAR(RecentHighSeconds(r), 0.000063, 1e-9);
    for (int i = 0; i < kRecentValues - 1; ++i) {
        AddRecent(r, 0.000002);
    }
    EXPECT_NEAR(RecentHighSeconds(r), 0.000002, 1e-9);  // only 0 and 2 us are left
}

TEST(LimitOptions, WordsAndRefusalsAreTheSameForEveryCaller) {
    LimitSetting s = kNoLimit;
    char error[128] = "";
    EXPECT_TRUE(ParseLimitOption("--limit", "59.94", &s, error, sizeof error));
    EXPECT_EQ(s.kind, LimitKind::kRate);
    EXPECT_EQ(s.hz, 59.94);
    for (const char* good : {"1", "1000", "1e3", "off", "display"}) {
        EXPECT_TRUE(ParseLimitOption("--limit", good, &s, error, sizeof error)) << good;
    }
    EXPECT_EQ(s.kind, LimitKind::kDisplay);
    EXPECT_TRUE(ParseLimitOption("--limiter", "spin", &s, error, sizeof error));
    EXPECT_TRUE(ParseLimitOption("--limit-at", "frame", &s, error, sizeof error));
    EXPECT_EQ(s.method, WaitMethod::kSpin);
    EXPECT_EQ(s.placement, WaitPlacement::kFrame);

    // Refused whole, leaving the setting as it was; the message names the
    // option and the value.
    const LimitSetting before = s;
    auto refused = [&](const char* option, const char* value) {
        std::strcpy(error, "");
        const bool taken = ParseLimitOption(option, value, &s, error, sizeof error);
        EXPECT_TRUE(s.kind == before.kind && s.method == before.method &&
                    s.placement == before.placement);
        return !taken ? std::string(error) : std::string("taken");
    };
    for (const char* value : {"-60", "0.5", "1000.5", "sixty", "", " 60", "60hz", "0x3c", "nan",
                              "inf", "1e999", "Display"}) {
        EXPECT_EQ(refused("--limit", value),
                  std::string("--limit: not off, display or a rate in Hz from 1 to 1000: '") +
                      value + "'");
    }
    EXPECT_EQ(refused("--limiter", "busy"), "--limiter: not sleep, spin or hybrid: 'busy'");
    EXPECT_EQ(refused("--limit-at", "early"), "--limit-at: not swap or frame: 'early'");
    EXPECT_EQ(refused("--limit", nullptr), "--limit needs a value");
    EXPECT_EQ(refused("--limits", "60"), "unknown option '--limits'");
    EXPECT_TRUE(IsLimitOption("--limit-at"));
    EXPECT_FALSE(IsLimitOption("--limit=60"));
}

TEST(LimitOptions, TheKeyCyclesOffThroughRatesToDisplay) {
    LimitSetting s = kNoLimit;
    s.method = WaitMethod::kSleep;
    std::string seen;
    char text[32];
    for (int i = 0; i < 6; ++i, s = NextLimitStep(s)) {
        LimitText(s, text, sizeof text);
        seen = seen + text + ' ';
    }
    EXPECT_EQ(seen, "off 30 60 120 display off ");
    EXPECT_EQ(s.method, WaitMethod::kSleep);
    EXPECT_EQ(NextLimitStep(Rate(45.0)).hz, 60.0);
    EXPECT_EQ(NextLimitStep(Rate(500.0)).kind, LimitKind::kDisplay);
}

// One describer for the overlay, the simulator's text and the report page.
TEST(LimitOptions, TheLimitIsDescribedOneWay) {
    char text[128];
    DescribeLimit(kNoLimit, "(ignored)", text, sizeof text);
    EXPECT_STREQ(text, "off");
    DescribeLimit(Rate(59.94, WaitMethod::kSpin, WaitPlacement::kFrame), nullptr, text,
                  sizeof text);
    EXPECT_STREQ(text, "59.94 Hz, spin at frame");
    const LimitSetting display{LimitKind::kDisplay, 0.0, WaitMethod::kSleep, WaitPlacement::kSwap};
    DescribeLimit(display, "", text, sizeof text);
    EXPECT_STREQ(text, "display, sleep at swap");
    DescribeLimit(display, "(no display times: refresh rate)", text, sizeof text);
    EXPECT_STREQ(text, "display, sleep at swap (no display times: refresh rate)");
    DescribeLimit(display, nullptr, text, 8);  // cut short, still ended
    EXPECT_STREQ(text, "display");
}

// A compositor that shows, at each of its repaints (every `cadence`, though
// it reports a shorter refresh), the newest swap made at least `latch`
// before the repaint; its word on each swap comes once the repaint passed.
struct Compositor {
    double cadence;
    double latch;
    double refresh;
    std::vector<std::pair<double, double>> pending;  // swap, display
    int shown = 0;
    int discarded = 0;
    double now = 0.05;  // the scripted clock, across runs

    double DisplayOf(double swap) const { return std::ceil((swap + latch) / cadence) * cadence; }
    void Swapped(double at) { pending.emplace_back(at, DisplayOf(at)); }
    // Tells the limiter about every swap whose fate is known by now.
    void Report(DisplayLimiter& limiter, double now) {
        while (!pending.empty() && pending.front().second <= now) {
            const auto s = pending.front();
            pending.erase(pending.begin());
            const bool replaced = !pending.empty() && pending.front().second == s.second;
            shown += replaced ? 0 : 1;
            discarded += replaced ? 1 : 0;
            NoteDisplayReport(limiter, DisplayReport{s.first, !replaced, s.second, refresh}, now);
        }
    }
};

// Frames of `draw` seconds, each carrying out what the limiter plans: the
// wait before the frame, and before the swap its wait and the wait for the
// compositor's word on the swap before. The last `measured` ones are counted
// in c.shown and c.discarded, and their mean lead (display - swap) returned.
double RunAgainst(Compositor& c, Limiter& l, double draw, int frames, int measured) {
    double& t = c.now;
    double leadSum = 0.0;
    int leads = 0;
    for (int i = 0; i < frames; ++i) {
        if (i == frames - measured) {
            c.shown = c.discarded = 0;
        }
        c.Report(l.display, t);
        const WaitPlan frame = PlanFrameWait(l, t);
        t = frame.wait ? frame.deadline : t;
        FinishWait(l, frame, t, t);
        const double start = t;
        t += draw;
        c.Report(l.display, t);
        const SwapPlan swap = PlanSwapWait(l, t, start, static_cast<uint64_t>(i) + 1);
        t = swap.wait.wait ? swap.wait.deadline : t;
        FinishWait(l, swap.wait, t, t);
        while (swap.word.wait && !c.pending.empty() && t < swap.word.giveUp) {
            t = std::min(t + swap.word.poll, swap.word.giveUp);
            c.Report(l.display, t);
        }
        c.Swapped(t);
        if (i >= frames - measured) {
            leadSum += c.DisplayOf(t) - t;
            ++leads;
        }
    }
    return leadSum / leads;
}

TEST(DisplayLimiter, LearnsTheShownCadenceAndLandsJustBeforeTheLatch) {
    for (const WaitPlacement at : {WaitPlacement::kSwap, WaitPlacement::kFrame}) {
        Compositor c{0.025, 0.006, 1.0 / 60.0, {}};
        Limiter l;
        StartLimiter(l, LimitSetting{LimitKind::kDisplay, 0.0, WaitMethod::kHybrid, at}, 60.0);
        const double lead = RunAgainst(c, l, 0.003, 600, 300);
        // 40 repaints a second although 60 Hz is reported: one redraw each.
        EXPECT_NEAR(DisplayCadence(l.display), 0.025, 1e-6) << WaitPlacementName(at);
        // It keeps looking for a later latch, and now and then a miss costs
        // a redraw: at most 1 in 100.
        EXPECT_LE(c.discarded, 3) << WaitPlacementName(at);
        EXPECT_GE(c.shown, 295) << WaitPlacementName(at);
        // Each swap just before the latch: within the widest margin of it.
        EXPECT_GE(lead, 0.006);
        EXPECT_LT(lead, 0.006 + kMostDisplayMargin) << WaitPlacementName(at);
        EXPECT_STREQ(LimitNote(l, 15.0), "");
        EXPECT_NEAR(l.display.latch, 0.006, 0.0005);
        // Whatever the placement, the wait is before the frame: none is
        // left for the swap, where the poses are already read.
        const WaitPlan frame = PlanFrameWait(l, c.now);
        EXPECT_TRUE(frame.wait);
        EXPECT_FALSE(PlanSwapWait(l, frame.deadline + 0.003, frame.deadline, 601).wait.wait);
    }
}

TEST(DisplayLimiter, AMissWidensTheMarginWhichThenNarrowsSlowly) {
    Compositor c{0.02, 0.004, 0.02, {}};
    Limiter l;
    StartLimiter(l, LimitSetting{LimitKind::kDisplay, 0.0, WaitMethod::kSpin, WaitPlacement::kSwap},
                 50.0);
    RunAgainst(c, l, 0.002, 400, 10);
    EXPECT_LT(l.display.margin, 0.001);
    const uint64_t missed = l.display.missed;
    // The compositor slows: it now latches 7 ms ahead. Swaps aimed at the
    // old latch miss, the margin and the latch go up, and the run settles
    // with no more misses.
    c.latch = 0.007;
    EXPECT_GE(RunAgainst(c, l, 0.002, 400, 200), 0.007);
    EXPECT_GT(l.display.missed, missed);
    EXPECT_EQ(c.discarded, 0);
    EXPECT_GE(l.display.latch, 0.0065);
    // Made-up facts: a miss doubles the margin; made refreshes take it back
    // down by small steps, not at once.
    DisplayLimiter d;
    StartDisplayLimiter(d, 60.0);
    NoteDisplayReport(d, DisplayReport{1.000, true, 1.010, 0.01}, 1.01);
    NoteDisplayReport(d, DisplayReport{1.015, true, 1.020, 0.01}, 1.02);
    const double before = d.margin;
    // Swapped at 1.016, before the display of 1.020, yet shown at 1.030.
    NoteDisplayReport(d, DisplayReport{1.016, true, 1.030, 0.01}, 1.03);
    EXPECT_EQ(d.missed, 1u);
    EXPECT_NEAR(d.margin, before * 2.0, 1e-12);
    // Between the lead that missed and the least that made it.
    EXPECT_GT(d.latch, 0.004);
    EXPECT_LE(d.latch, 0.005);
    NoteDisplayReport(d, DisplayReport{1.034, true, 1.040, 0.01}, 1.04);
    EXPECT_LT(d.margin, before * 2.0);
    EXPECT_GT(d.margin, before * 1.9);
    // Facts it cannot learn from change nothing: shown before the swap, or
    // at no time.
    NoteDisplayReport(d, DisplayReport{2.0, true, 1.9, 0.016}, 2.0);
    NoteDisplayReport(d, DisplayReport{2.0, true, std::nan(""), 0.016}, 2.0);
    EXPECT_TRUE(d.made == 3 && d.missed == 1 && d.lastReportAt == 1.04);
}

// A display-timed limiter that has heard 20 redraws shown one a cadence,
// each swapped lead before its display; returns the display time next due.
double ShownSteadily(DisplayLimiter& d, double cadence, double lead) {
    StartDisplayLimiter(d, 60.0);
    double t = 1.0;
    for (int i = 0; i < 20; ++i, t += cadence) {
        NoteDisplayReport(d, DisplayReport{t - lead, true, t, 0.0}, t + 0.0005);
    }
    return t;
}

TEST(DisplayLimiter, AShowingDelayedByLessThanACadenceIsAMissToo) {
    // A nested compositor that found no new frame at its repaint sleeps, and
    // shows a later swap a third of its cadence after the time aimed at, not
    // a whole cadence late: still a miss, or the cadence learned stretches.
    DisplayLimiter d;
    const double t = ShownSteadily(d, 0.03, 0.02);
    ASSERT_NEAR(DisplayCadence(d), 0.03, 1e-6);
    const double start = t - 0.03 + 0.001;  // just after the newest display
    const double frameAt = PlanDisplayWait(d, start);
    const double aimed = d.plannedDisplay;
    ASSERT_GT(frameAt, start);
    const uint64_t missed = d.missed;
    const double margin = d.margin;
    NoteDisplayReport(d, DisplayReport{frameAt + 0.002, true, aimed + 0.01, 0.0}, aimed + 0.0105);
    EXPECT_EQ(d.missed, missed + 1);
    EXPECT_GT(d.margin, margin * 1.5);
    EXPECT_GT(d.latch, aimed - frameAt - 0.002);
}

TEST(DisplayLimiter, ARedrawSwappedPastItsDisplayTimeIsNotAimedAtAgain) {
    // Shown every 20 ms, each swap 10 ms ahead.
    DisplayLimiter d;
    const double t = ShownSteadily(d, 0.02, 0.01);
    const double newest = t - 0.02;
    ASSERT_NEAR(DisplayCadence(d), 0.02, 1e-6);
    PlanDisplayWait(d, newest + 0.001);
    const double aimed = d.plannedDisplay;
    EXPECT_NEAR(aimed, newest + 0.02, 1e-6);
    // Swapped in time, the redraw after it aims at the display time after.
    DisplayLimiter inTime = d;
    PlanDisplayWait(inTime, aimed - 0.012);
    EXPECT_NEAR(inTime.plannedDisplay, aimed + 0.02, 1e-6);
    // Its swap waited (for the word on a redraw shown late) until after the
    // time it aimed at: it is shown a cadence after that at the earliest, so
    // the redraw after it aims later still, clear of its swap's own wait.
    PlanDisplayWait(d, aimed + 0.001);
    EXPECT_NEAR(d.plannedDisplay, aimed + 0.04, 1e-6);
}

TEST(DisplayLimiter, FallsBackToTheRefreshRateWithoutDisplayTimes) {
    Limiter l;
    StartLimiter(
        l, LimitSetting{LimitKind::kDisplay, 0.0, WaitMethod::kSleep, WaitPlacement::kSwap}, 75.0);
    EXPECT_STREQ(LimitNote(l, 0.0), "(no display times: refresh rate)");
    // Nothing ever comes back: 75 a second, on the schedule.
    PlanFrameWait(l, 1.0);
    EXPECT_NEAR(PlanFrameWait(l, 1.001).deadline, 1.0 + 1 / 75.0, 1e-9);
    EXPECT_NEAR(PlanFrameWait(l, 1.014).deadline, 1.0 + 2 / 75.0, 1e-9);
    // Display times come, then stop: the note is back a second after the
    // last one, and the rate with it.
    Compositor c{0.025, 0.005, 1.0 / 75.0, {}};
    RunAgainst(c, l, 0.002, 100, 10);
    ASSERT_GT(l.display.made, 0u);
    const double last = l.display.lastReportAt;
    EXPECT_STREQ(LimitNote(l, last + 0.9), "");
    EXPECT_STREQ(LimitNote(l, last + 1.0), "(no display times: refresh rate)");
    EXPECT_STREQ(LimitNote(l, last - 5.0), "(no display times: refresh rate)");  // clock went back
    const double t = last + 1.0;
    PlanFrameWait(l, t);
    const WaitPlan plan = PlanFrameWait(l, t + 0.001);
    EXPECT_NEAR(plan.deadline - t, 1.0 / 75.0, 1e-9);
    // No rate from the platform either: 60.
    StartLimiter(
        l, LimitSetting{LimitKind::kDisplay, 0.0, WaitMethod::kSleep, WaitPlacement::kSwap}, 0.0);
    PlanFrameWait(l, 0.0);
    EXPECT_NEAR(PlanFrameWait(l, 0.001).deadline, 1.0 / kFallbackRefreshHz, 1e-12);
}

double Value(const std::string& line, const std::string& key) {
    const size_t at = line.find(" " + key + "=");
    return at == std::string::npos ? -1.0 : std::atof(line.c_str() + at + key.size() + 2);
}

std::string Line(void (*fill)(StatRecords&)) {
    char text[1024];
    StatRecords records;
    ResetStatRecords(records);
    fill(records);
    WriteStatsLine(records, text, sizeof text);
    return text;
}

TEST(StatsLine, LimiterAndLatencyKeysAreEmptyUntilKnown) {
    EXPECT_EQ(Line([](StatRecords& line) {
                  AddLimiterStats(line, LimiterStats{kNoLimit, -1.0, nullptr});
                  AddLatencyStats(line, LatencyStats{nullptr, nullptr});
              }),
              "tempola-stats limit=off limiter=hybrid limit_at=swap cpu_percent= "
              "wake_late_p50_us= wake_late_p99_us= wake_late_max_us= display_latency_p50_ms= "
              "display_latency_p99_ms= input_latency_p50_ms= input_latency_p99_ms= inputs=0");
    const std::string line = Line([](StatRecords& line) {
        static QuantileKeeper wakes, display;
        ResetQuantiles(wakes);
        ResetQuantiles(display);
        for (int i = 1; i <= 100; ++i) {
            AddQuantile(wakes, i * 0.000002);
            AddQuantile(display, 0.020 + (i > 98 ? 0.030 : 0.0));
        }
        AddLimiterStats(line, LimiterStats{Rate(59.94, WaitMethod::kSpin, WaitPlacement::kFrame),
                                           17.26, &wakes});
        AddLatencyStats(line, LatencyStats{&display, &wakes});
    });
    EXPECT_EQ(line.find("tempola-stats limit=59.94 limiter=spin limit_at=frame cpu_percent=17.3 "),
              0u)
        << line;
    // Each quantile to within its keeper's resolution.
    for (const auto& e :
         std::vector<std::pair<std::string, double>>{{"wake_late_p50_us", 100.0},
                                                     {"wake_late_p99_us", 198.0},
                                                     {"wake_late_max_us", 200.0},
                                                     {"display_latency_p99_ms", 50.0},
                                                     {"input_latency_p50_ms", 0.1},
                                                     {"inputs", 100.0}}) {
        EXPECT_NEAR(Value(line, e.first), e.second, e.second * 0.005) << e.first << " in " << line;
    }
}

}  // namespace
