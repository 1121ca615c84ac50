#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "demo/pacing.h"
#include "host/app.h"

namespace {

void Start(double left, double right) { ResetPacing(), leftPacer.target = left, rightPacer.target = right; }
void Frame(uint32_t ms) { timeMs = ms; UpdateFrameTiming(); }
double Seconds(uint32_t ms) { return ms * static_cast<double>(0.001f); }

// Runs frames stepMs apart and counts how often `pacer` moved.
int CountMoves(const Pacer& pacer, uint32_t& ms, uint32_t stepMs, int frames)
{
    int moves = 0;
    for (int i = 0; i < frames; ++i) {
        const double before = pacer.lastUpdate;
        Frame(ms += stepMs);
        moves += pacer.lastUpdate != before;
    }
    return moves;
}

// Both rules restated on their own, clock wrap included.
struct Model {
    double target, last = 0, wait = 0, sum = 0, rate = 0;
    float outer = 0, inner = 0;
    int n = 0;
};

float Wrapped(float a) { a = a > 360 ? a - 360 : a; return a < 0 ? a + 360 : a; }

void ModelStep(Model& m, double t, bool adaptive)
{
    const double d = t - m.last;
    if (d < 0) m.last = t;
    if (d < 0 || d < m.wait) return;
    m.last = t;
    m.outer = Wrapped(static_cast<float>(m.outer + 110 * d));
    m.inner = Wrapped(static_cast<float>(m.inner - 150 * d));
    m.sum += d > 0 ? 1 / d : 0;
    const double late = d > 1.5 / m.target ? 1 / m.target : d;
    m.wait = adaptive ? 2 / m.target - (late < 0.5 / m.target ? 1 / m.target : late) : 0.97 / m.target;
    if (++m.n == 20) m = Model{m.target, m.last, m.wait, 0, m.sum * 0.05, m.outer, m.inner, 0};
}

bool Same(const Pacer& p, const Model& m)
{
    return p.target == m.target && p.lastUpdate == m.last && p.interval == m.wait && p.outerAngle == m.outer &&
           p.innerAngle == m.inner && p.rateSum == m.sum && p.updateCount == m.n && p.measuredRate == m.rate;
}

bool SamePose(float angle, double want) { return std::abs(std::remainder(angle - want, 360.0)) < 0.05; }

}  // namespace

TEST(Pacing, SteadyFramesSettleIntoKnownCadences)
{
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

TEST(Pacing, FirstFrameCoversTheWholeTimeSinceStart)
{
    for (uint32_t ms : {500u, 0u}) {  // at 0 nothing moves and no rate is taken
        Start(62, 31);
        Frame(ms);
        const double rate = ms ? 1 / Seconds(ms) : 0.0;
        EXPECT_EQ(redrawRateSum, rate);
        for (const Pacer* p : {&leftPacer, &rightPacer}) {
            EXPECT_TRUE(p->updateCount == 1 && p->lastUpdate == Seconds(ms) && p->rateSum == rate);
            EXPECT_NEAR(p->outerAngle, ms ? 55 : 0, 1e-4);
            EXPECT_NEAR(p->innerAngle, ms ? 285 : 0, 1e-4);
        }
    }
}

TEST(Pacing, StatusTextEveryHundredthFrameShowsPlainMean)
{
    Start(62, 31);
    for (uint32_t i = 1; i <= 100; ++i) {
        EXPECT_STREQ(GetStatusText(), "");
        Frame(10 * ((i + 1) / 2));  // every second frame sees no time pass: mean 50
    }
    const std::string text = GetStatusText(), tail = "   -=[ FPS:50 ]=-";
    ASSERT_GT(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_LE(text.size() - tail.size(), 80u);
    EXPECT_TRUE(redrawCount == 0 && redrawRateSum == 0.0);
}

TEST(Pacing, KeysStopAtTheBounds)
{
    Start(199.5, 5.5);
    for (int i = 0; i < 2; ++i) {
        RaiseLeftTarget(), LowerRightTarget();
        EXPECT_TRUE(leftPacer.target == 200.0 && rightPacer.target == 5.0);
    }
}

TEST(Pacing, TargetChangeTakesEffectAtNextUpdate)
{
    Start(62, 31);
    Frame(100);  // now waiting 1/62 s on the left, 0.97/31 s on the right
    for (int i = 0; i < 10; ++i) RaiseLeftTarget(), RaiseRightTarget();  // 67 and 36 would wait less
    Frame(115);
    EXPECT_EQ(leftPacer.lastUpdate, Seconds(100));
    Frame(130);
    EXPECT_DOUBLE_EQ(leftPacer.interval, 1 / 67.0);  // moved, and now waits by the new target
    EXPECT_EQ(rightPacer.lastUpdate, Seconds(100));
    Frame(133);
    EXPECT_EQ(rightPacer.interval, 0.97 / 36);
}

TEST(Pacing, ClockWrapRestartsPacersInsteadOfFreezingThem)
{
    Start(62, 31);
    Frame(UINT32_MAX - 105);
    Frame(UINT32_MAX - 5);  // both move; next waits 1/62 s and 0.97/31 s
    const Pacer left = leftPacer;
    const double redrawSum = redrawRateSum;
    Frame(4);  // ten milliseconds on, past the wrap: nothing moves or is measured
    EXPECT_TRUE(leftPacer.lastUpdate == Seconds(4) && leftPacer.outerAngle == left.outerAngle &&
                leftPacer.rateSum == left.rateSum && leftPacer.updateCount == left.updateCount);
    EXPECT_TRUE(redrawRateSum == redrawSum && redrawCount == 3);
    Frame(19);
    Frame(21);
    EXPECT_EQ(leftPacer.lastUpdate, Seconds(21));
    EXPECT_EQ(rightPacer.lastUpdate, Seconds(4));
}

TEST(Pacing, AnglesWrapOnceAndOnlyPastTheEnds)
{
    Pacer p{0, 0, 0, 250, 150, 0, 0, 0};
    AdvanceRotor(p, 1.0);
    EXPECT_TRUE(p.outerAngle == 360 && p.innerAngle == 0);
    AdvanceRotor(p, 10.5);  // more than a turn in one step
    EXPECT_TRUE(p.outerAngle == 1155 && p.innerAngle == -1215);
}

TEST(Pacing, MatchesReferenceModelOnRandomFramesAndKeys)
{
    std::mt19937 rng(20240611);
    void (*const keys[])() = {RaiseLeftTarget, LowerLeftTarget, RaiseRightTarget, LowerRightTarget};
    // From program start, where the pose follows lastUpdate, and across the wrap.
    for (uint32_t ms : {0u, UINT32_MAX - 20000u}) {
        const bool fromStart = ms == 0;
        Start(62, 31);
        Model left{62}, right{31};
        leftPacer.lastUpdate = rightPacer.lastUpdate = left.last = right.last = Seconds(ms);
        for (int frame = 0; frame < 4000; ++frame) {
            const uint32_t presses = rng() % 8 == 0 ? rng() % 40 : 0, key = rng() % 4;
            for (uint32_t i = 0; i < presses; ++i) {
                keys[key]();
                Model& m = key < 2 ? left : right;
                m.target = std::clamp(m.target + (key % 2 ? -0.5 : 0.5), 5.0, 200.0);
            }
            Frame(ms += rng() % 46);
            ModelStep(left, Seconds(ms), true);
            ModelStep(right, Seconds(ms), false);
            ASSERT_TRUE(Same(leftPacer, left) && Same(rightPacer, right)) << "frame " << frame;
            ASSERT_TRUE(!fromStart || (SamePose(leftPacer.outerAngle, 110 * left.last) &&
                                       SamePose(rightPacer.innerAngle, -150 * right.last)));
        }
    }
}
