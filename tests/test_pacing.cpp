#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "demo/pacing.h"
#include "host/app.h"

namespace {

void Start(double left, double right) {
    ResetPacing();
    leftPacer.target = left;
    rightPacer.target = right;
}
void Frame(uint32_t ms) {
    timeMs = ms;
    UpdateFrameTiming();
}
double Seconds(uint32_t ms) {
    return PacerTime(ms);
}
Pacer At(double target) {
    Pacer p{};
    p.target = target;
    return p;
}

// Runs frames stepMs apart and counts how often `pacer` moved.
int CountMoves(const Pacer& pacer, uint32_t& ms, uint32_t stepMs, int frames) {
    int moves = 0;
    for (int i = 0; i < frames; ++i) {
        const double before = pacer.lastUpdate;
        Frame(ms += stepMs);
        moves += pacer.lastUpdate != before;
    }
    return moves;
}

std::vector<uint32_t> Range(uint32_t from, uint32_t to, uint32_t step = 1) {
    std::vector<uint32_t> frames;
    for (uint32_t ms = from; ms <= to; ms += step)
        frames.push_back(ms);
    return frames;
}

// Steps `pacer` by `rule` at each frame time; the frame times at which it updated.
std::vector<uint32_t> Updates(Pacer& pacer, PaceRule rule, const std::vector<uint32_t>& frames) {
    std::vector<uint32_t> updates;
    for (uint32_t ms : frames) {
        if (StepPacer(pacer, rule, Seconds(ms), nullptr))
            updates.push_back(ms);
    }
    return updates;
}

std::vector<uint32_t> Gaps(std::vector<uint32_t> updates) {
    std::adjacent_difference(updates.begin(), updates.end(), updates.begin());
    updates.erase(updates.begin());
    return updates;
}

}  // namespace

TEST(Pacing, SteadyFramesSettleIntoKnownCadences) {
    uint32_t ms = 0;
    Start(31, 31);
    CountMoves(rightPacer, ms, 10, 2000);
    EXPECT_NEAR(rightPacer.measuredRate, 25.0, 1e-4);
    EXPECT_NEAR(leftPacer.measuredRate, (25.0 + 100.0 / 3) / 2, 1e-4);
    EXPECT_EQ(CountMoves(rightPacer, ms, 10, 40), 10);
    Start(62, 62);
    CountMoves(rightPacer, ms = 0, 16, 2000);
    EXPECT_NEAR(rightPacer.measuredRate, 62.5, 1e-4);
    EXPECT_NEAR(leftPacer.measuredRate, 31.25, 1e-4);
    EXPECT_EQ(CountMoves(rightPacer, ms, 16, 40), 40);
    EXPECT_EQ(CountMoves(leftPacer, ms, 16, 40), 20);
}

TEST(Pacing, FirstFrameCoversTheWholeTimeSinceStart) {
    for (uint32_t ms : {500u, 0u}) {  // at 0 nothing moves and no rate is taken
        Start(62, 31);
        Frame(ms);
        const double rate = ms ? 1 / Seconds(ms) : 0.0;
        EXPECT_EQ(redrawRateSum, rate);
        for (const Pacer* p : {&leftPacer, &rightPacer}) {
            EXPECT_EQ(p->updateCount, 1);
            EXPECT_EQ(p->lastUpdate, Seconds(ms));
            EXPECT_EQ(p->rateSum, rate);
            EXPECT_NEAR(p->outerAngle, ms ? 55 : 0, 1e-4);
            EXPECT_NEAR(p->innerAngle, ms ? 285 : 0, 1e-4);
        }
    }
}

TEST(Pacing, StatusTextEveryHundredthFrameShowsPlainMean) {
    Start(62, 31);
    for (uint32_t i = 1; i <= 100; ++i) {
        EXPECT_STREQ(GetStatusText(), "");
        Frame(10 * ((i + 1) / 2));  // every second frame sees no time pass: mean 50
    }
    EXPECT_NE(std::strstr(GetStatusText(), "   -=[ FPS:50 ]=-"), nullptr);
    EXPECT_EQ(redrawCount, 0);
    EXPECT_EQ(redrawRateSum, 0.0);
}

TEST(Pacing, TargetKeysTakeEffectAtNextUpdateAndStopAtTheBounds) {
    Start(62, 31);
    Frame(100);                   // now waiting 1/62 s on the left, 0.97/31 s on the right
    for (int i = 0; i < 10; ++i)  // 67 and 36 would wait less
        RaiseLeftTarget(), RaiseRightTarget();
    Frame(115);
    EXPECT_EQ(leftPacer.lastUpdate, Seconds(100));
    Frame(130);
    EXPECT_DOUBLE_EQ(leftPacer.interval, 1 / 67.0);  // moved, and now waits by the new target
    EXPECT_EQ(rightPacer.lastUpdate, Seconds(100));
    Frame(133);
    EXPECT_EQ(rightPacer.interval, 0.97 / 36);
    Start(199.5, 5.5);
    RaiseLeftTarget(), RaiseLeftTarget(), LowerRightTarget(), LowerRightTarget();
    EXPECT_EQ(leftPacer.target, 200.0);
    EXPECT_EQ(rightPacer.target, 5.0);
}

TEST(Pacing, ClockWrapRestartsPacersInsteadOfFreezingThem) {
    Start(62, 31);
    Frame(UINT32_MAX - 105);
    Frame(UINT32_MAX - 5);  // both move; next waits 1/62 s and 0.97/31 s
    const double redrawSum = redrawRateSum;
    Frame(4);  // ten milliseconds on, past the wrap: nothing moves or is measured
    EXPECT_EQ(leftPacer.lastUpdate, Seconds(4));
    EXPECT_EQ(leftPacer.updateCount, 2);
    EXPECT_EQ(redrawRateSum, redrawSum);
    EXPECT_EQ(redrawCount, 3);
    Frame(19);
    Frame(21);
    EXPECT_EQ(leftPacer.lastUpdate, Seconds(21));
    EXPECT_EQ(rightPacer.lastUpdate, Seconds(4));
}

TEST(Pacing, AnglesWrapOnceAndOnlyPastTheEnds) {
    Pacer p{};
    p.outerAngle = 250;
    p.innerAngle = 150;
    AdvanceRotor(p, 1.0);   // onto 360 and 0: no wrap yet
    AdvanceRotor(p, 10.5);  // more than a turn in one step
    EXPECT_EQ(p.outerAngle, 1155);
    EXPECT_EQ(p.innerAngle, -1215);
}

TEST(Pacing, FixedExactWaitsAWholeNominalFrame) {
    // 31: waits 32.26 ms, so with frames every 10 ms the fourth frame (40 ms) is due.
    Pacer p = At(31);
    const std::vector<uint32_t> tens = Gaps(Updates(p, kRuleFixedExact, Range(0, 2000, 10)));
    EXPECT_EQ(tens, std::vector<uint32_t>(50, 40));
    EXPECT_NEAR(p.measuredRate, 25.0, 1e-4);
    // 62 with a frame every millisecond: waits 16.13 ms, so every 17 ms, 58.8 a second.
    p = At(62);
    const std::vector<uint32_t> ones = Gaps(Updates(p, kRuleFixedExact, Range(0, 1000)));
    EXPECT_EQ(ones, std::vector<uint32_t>(ones.size(), 17));
    EXPECT_NEAR(p.measuredRate, 1000.0 / 17, 1e-3);
}

TEST(Pacing, ScheduledKeepsTheRateOnACoarseClock) {
    // 62 with a frame every millisecond: due at k/62 s, each met at the next
    // whole millisecond, so gaps of 16 ms with a 17 among them and 62 a second.
    Pacer p = At(62);
    const std::vector<uint32_t> first = Updates(p, kRuleScheduled, Range(0, 1000));
    EXPECT_EQ(first.front(), 0u);
    EXPECT_EQ(first.back(), 1000u);
    const std::vector<uint32_t> gaps = Gaps(first);
    ASSERT_GE(gaps.size(), 8u);
    EXPECT_EQ(std::vector<uint32_t>(gaps.begin(), gaps.begin() + 8),
              (std::vector<uint32_t>{17, 16, 16, 16, 16, 16, 16, 17}));
    const std::vector<uint32_t> second = Updates(p, kRuleScheduled, Range(1001, 2000));
    EXPECT_EQ(second.size(), 62u);
    for (uint32_t gap : Gaps(second)) {
        EXPECT_GE(gap, 16u);
        EXPECT_LE(gap, 17u);
    }
    // A window of 20 holds two or three 17s: a mean of 1/gap of 62.13 or 61.95.
    EXPECT_NEAR(p.measuredRate, 62.0, 0.25);
}

TEST(Pacing, ScheduledCatchesUpALittleLateAndRestartsWhenAPeriodLate) {
    // Due at 16.1 ms, met at 20: the next stays due at 32.3 ms (met at 33).
    // Then nothing until 100 ms, over a period late: due again 16.1 ms after
    // 100, not at once for every update missed.
    Pacer p = At(62);
    std::vector<uint32_t> frames = Range(20, 40);
    frames.insert(frames.begin(), 0);
    for (uint32_t ms : Range(100, 120))
        frames.push_back(ms);
    EXPECT_EQ(Updates(p, kRuleScheduled, frames), (std::vector<uint32_t>{0, 20, 33, 100, 117}));
}

TEST(Pacing, EveryRedrawUpdatesWheneverTimePasses) {
    Pacer p = At(62);
    p.interval = 0.1;  // a wait left by another rule does not hold it
    EXPECT_EQ(Updates(p, kRuleEveryRedraw, {0, 5, 5, 6, 26}), (std::vector<uint32_t>{5, 6, 26}));
    EXPECT_EQ(p.interval, 0.0);
    EXPECT_EQ(p.updateCount, 3);
    EXPECT_NEAR(p.rateSum, 200 + 1000 + 50, 1e-3);
    Updates(p, kRuleEveryRedraw, Range(31, 111, 5));  // 17 more at 200 a second close the window
    EXPECT_EQ(p.updateCount, 0);
    EXPECT_NEAR(p.measuredRate, (1250 + 17 * 200) / 20.0, 1e-3);
}

TEST(Pacing, ClockGoingBackRestartsEveryRule) {
    for (int r = 0; r < kPaceRuleCount; ++r) {
        const PaceRule rule = static_cast<PaceRule>(r);
        SCOPED_TRACE(PaceRuleName(rule));
        Pacer p = At(62);
        Updates(p, rule, Range(10000, 10050));
        const Pacer before = p;
        double elapsed = -1;
        EXPECT_FALSE(StepPacer(p, rule, 5.0, &elapsed));
        EXPECT_EQ(elapsed, 0.0);
        EXPECT_EQ(p.lastUpdate, 5.0);
        EXPECT_EQ(p.interval, before.interval);
        EXPECT_EQ(p.rateSum, before.rateSum);  // nothing measured
        // Waits out the interval it was in, counted from the new time.
        EXPECT_TRUE(StepPacer(p, rule, 5.0 + before.interval + 1e-3, &elapsed));
        EXPECT_NEAR(elapsed, before.interval + 1e-3, 1e-9);
    }
}

// Redraws every millisecond on a 60 Hz display that shows a redraw on the
// first refresh at or after it: the refreshes that show each update.
std::vector<int64_t> LockedRefreshesShown(Pacer& p, uint32_t toMs) {
    std::vector<int64_t> shown;
    for (uint32_t ms = 0; ms <= toMs; ++ms) {
        const RefreshSlot slot{static_cast<int64_t>(std::ceil(ms * 0.06 - 1e-9)), 1.0 / 60};
        if (StepPacer(p, kRuleDisplayLocked, Seconds(ms), nullptr, &slot))
            shown.push_back(slot.refresh);
    }
    return shown;
}

TEST(Pacing, DisplayLockedUpdatesOnWholeRefreshes) {
    // k = round(60 / target): 31 takes every other refresh, 62 every one,
    // 20 every third, 200 still every one.
    const struct {
        double target;
        int64_t every;
    } cases[] = {{31, 2}, {62, 1}, {20, 3}, {200, 1}, {5, 12}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        Pacer p = At(c.target);
        const std::vector<int64_t> shown = LockedRefreshesShown(p, 2000);
        ASSERT_GT(shown.size(), 5u);
        EXPECT_EQ(shown.front(), 0);
        for (size_t i = 1; i < shown.size(); ++i)
            EXPECT_EQ(shown[i] - shown[i - 1], c.every);
    }
    // Without refresh timing it paces as scheduled does.
    Pacer locked = At(62);
    Pacer scheduled = At(62);
    EXPECT_EQ(Updates(locked, kRuleDisplayLocked, Range(0, 500)),
              Updates(scheduled, kRuleScheduled, Range(0, 500)));
    // A refresh count that goes back (a new display) locks on at once.
    Pacer p = At(31);
    RefreshSlot slot{1000, 1.0 / 60};
    EXPECT_TRUE(StepPacer(p, kRuleDisplayLocked, 1.0, nullptr, &slot));
    slot.refresh = 1001;
    EXPECT_FALSE(StepPacer(p, kRuleDisplayLocked, 1.017, nullptr, &slot));
    slot.refresh = 3;
    EXPECT_TRUE(StepPacer(p, kRuleDisplayLocked, 1.034, nullptr, &slot));
}

TEST(Pacing, RuleNamesRoundTripAndCycle) {
    std::string names;
    PaceRule rule = kRuleAdaptive;
    for (int i = 0; i < kPaceRuleCount; ++i, rule = NextPaceRule(rule)) {
        names += std::string(PaceRuleName(rule)) + " ";
        PaceRule parsed = NextPaceRule(rule);
        EXPECT_TRUE(PaceRuleFromName(PaceRuleName(rule), &parsed) && parsed == rule);
    }
    EXPECT_EQ(names, "adaptive fixed fixed-exact scheduled every-redraw display-locked ");
    EXPECT_EQ(std::string(PaceRuleList()),
              "adaptive, fixed, fixed-exact, scheduled, every-redraw, display-locked");
    EXPECT_EQ(rule, kRuleAdaptive);  // and round again
    for (const char* bad : {"Fixed", "fixed ", "every", static_cast<const char*>(nullptr)})
        EXPECT_FALSE(PaceRuleFromName(bad, &rule));
}

TEST(Pacing, FrameRunsTheRulesInForceAndReportsWhatTheyDid) {
    Start(62, 31);
    leftRule = kRuleEveryRedraw;
    Frame(100);
    Frame(110);  // too soon for the right side
    EXPECT_EQ(frameSteps.t, Seconds(110));
    EXPECT_TRUE(frameSteps.left.updated);
    EXPECT_EQ(frameSteps.left.elapsed, Seconds(110) - Seconds(100));
    EXPECT_FALSE(frameSteps.right.updated);
    ResetPacing();
    EXPECT_EQ(leftRule, kRuleAdaptive);
    EXPECT_FALSE(frameSteps.left.updated);
}
