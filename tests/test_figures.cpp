#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <numeric>
#include <vector>

#include "pacing/cadence.h"
#include "pacing/figures.h"

namespace {

// Too large for the stack: one, emptied for each use.
IntervalFigures& Fresh() {
    static IntervalFigures figures;
    ResetFigures(figures);
    return figures;
}

void Add(IntervalFigures& f, double seconds, int times) {
    for (int i = 0; i < times; ++i)
        AddInterval(f, seconds);
}

}  // namespace

TEST(Figures, SteadyIntervalsHaveNoJitterAndALowEqualToTheRate) {
    IntervalFigures& f = Fresh();
    EXPECT_EQ(OnePercentLow(f), 0.0);  // nothing yet
    Add(f, 0.016, 300);
    EXPECT_DOUBLE_EQ(MeanRate(f), 62.5);
    EXPECT_EQ(JitterMs(f), 0.0);
    EXPECT_DOUBLE_EQ(OnePercentLow(f), 62.5);
    EXPECT_DOUBLE_EQ(WorstMs(f), 16.0);
}

TEST(Figures, AlternatingIntervals) {
    IntervalFigures& f = Fresh();
    for (int i = 0; i < 100; ++i) {
        AddInterval(f, 0.010);
        AddInterval(f, 0.020);
    }
    EXPECT_DOUBLE_EQ(MeanRate(f), 1 / 0.015);
    EXPECT_NEAR(JitterMs(f), 5.0, 1e-9);
    EXPECT_NEAR(PercentileSeconds(f, 0.5), 0.010, 1e-12);  // 100 of 200 at or below 10 ms
    EXPECT_NEAR(PercentileSeconds(f, 0.505), 0.020, 1e-12);
    EXPECT_DOUBLE_EQ(OnePercentLow(f), 50.0);
}

TEST(Figures, OneStallShowsAsWorstAndInTheLowOnlyPastOnePercent) {
    IntervalFigures& f = Fresh();
    Add(f, 0.010, 99);
    AddInterval(f, 0.5);  // 1 in 100: the 99th percentile is still 10 ms
    EXPECT_DOUBLE_EQ(OnePercentLow(f), 100.0);
    EXPECT_DOUBLE_EQ(WorstMs(f), 500.0);
    IntervalFigures& g = Fresh();
    Add(g, 0.010, 49);
    AddInterval(g, 0.5);  // 1 in 50: it is the 99th percentile
    EXPECT_DOUBLE_EQ(OnePercentLow(g), 2.0);
}

TEST(Figures, PercentilesReadToTheBin) {
    // Kept within the run's extremes, a run of one reads exactly.
    const double oddMs = 16 * static_cast<double>(0.001f);  // a hair above 16 ms
    for (double single : {0.01231, oddMs}) {
        IntervalFigures& f = Fresh();
        AddInterval(f, single);
        EXPECT_EQ(PercentileSeconds(f, 0.5), single);
    }
    IntervalFigures& f = Fresh();
    AddInterval(f, 0.01231);
    AddInterval(f, 0.5);
    // The bin's upper edge, within 0.05 ms above the interval itself.
    EXPECT_NEAR(PercentileSeconds(f, 0.5), 0.01235, 1e-12);
    // Whole milliseconds as the pacers' clock gives them close their own bin.
    IntervalFigures& g = Fresh();
    AddInterval(g, 0.010);
    AddInterval(g, oddMs);
    AddInterval(g, 0.5);
    EXPECT_NEAR(PercentileSeconds(g, 0.6), 0.016, 1e-12);
    // An interval right on an edge closes the bin below it, not the next.
    for (double onEdge : {0.0001, 0.00015, 0.5}) {
        IntervalFigures& e = Fresh();
        AddInterval(e, onEdge);
        AddInterval(e, 1.5);
        EXPECT_NEAR(PercentileSeconds(e, 0.5), onEdge, 1e-12) << onEdge;
    }
    // 7 of 100 at or below 10 ms, though 0.07 * 100 comes out a hair over 7.
    IntervalFigures& h = Fresh();
    Add(h, 0.010, 7);
    Add(h, 0.020, 93);
    EXPECT_EQ(PercentileSeconds(h, 0.07), 0.010);
}

TEST(Figures, RingKeepsTheLatestInOrderAndBadIntervalsStayInRange) {
    IntervalFigures& f = Fresh();
    for (int ms = 1; ms <= 300; ++ms)
        AddInterval(f, ms * 0.001);
    for (int i = 0; i < kRecentIntervals; ++i)
        EXPECT_EQ(RecentInterval(f, i), (61 + i) * 0.001) << i;
    EXPECT_EQ(RecentInterval(f, kRecentIntervals), 0.0);
    EXPECT_EQ(RecentInterval(f, -1), 0.0);
    AddInterval(f, NAN);
    AddInterval(f, INFINITY);
    AddInterval(f, -0.5);  // a clock stepping back: no time at all
    AddInterval(f, 1e300);
    EXPECT_EQ(f.count, 302u);
    EXPECT_EQ(f.min, 0.0);
    EXPECT_EQ(f.bins[0], 1u);
    EXPECT_EQ(f.bins[kFigureBins - 1], 1u);
    EXPECT_EQ(PercentileSeconds(f, 1.0), 1e300);  // the last bin reads as the maximum
}

TEST(Figures, WithoutARingTheFiguresAreTheSame) {
    // The lab's figures keep no ring; nothing else about them may differ.
    static IntervalFigures kept, bare;
    ResetFigures(kept);
    ResetFigures(bare, false);
    for (int i = 0; i < 500; ++i) {
        const double v = (i % 7 == 0 ? 0.033 : 0.016) + i * 1e-6;
        AddInterval(kept, v);
        AddInterval(bare, v);
    }
    EXPECT_EQ(RecentCount(kept), kRecentIntervals);
    EXPECT_EQ(RecentCount(bare), 0);
    EXPECT_EQ(RecentInterval(bare, 0), 0.0);
    EXPECT_EQ(bare.count, kept.count);
    EXPECT_EQ(bare.mean, kept.mean);
    EXPECT_EQ(bare.m2, kept.m2);
    EXPECT_EQ(bare.min, kept.min);
    EXPECT_EQ(bare.max, kept.max);
    EXPECT_EQ(std::memcmp(bare.bins, kept.bins, sizeof bare.bins), 0);
}

TEST(Cadence, FirstUpdateAndFirstRedrawOnlyStartTheCount) {
    static Cadence c;
    ResetCadence(c);
    const SideSample idle{false, 0, 31, kRuleFixed};
    RecordFrame(c,
                {1.000, {true, 5.0, 62, kRuleAdaptive}, idle, 0, {}});  // 5 s since the clock started
    RecordFrame(c, {1.016, {true, 0.016, 62, kRuleAdaptive}, {true, 1.016, 31, kRuleFixed}, 0, {}});
    RecordFrame(c, {1.040, {false, 0, 62, kRuleAdaptive}, {true, 0.024, 31, kRuleFixed}, 0, {}});
    EXPECT_EQ(c.redraw.count, 2u);
    EXPECT_NEAR(RecentInterval(c.redraw, 0), 0.016, 1e-12);
    EXPECT_NEAR(RecentInterval(c.redraw, 1), 0.024, 1e-12);
    EXPECT_EQ(c.left.count, 1u);
    EXPECT_EQ(RecentInterval(c.left, 0), 0.016);
    EXPECT_EQ(c.right.count, 1u);
    EXPECT_EQ(RecentInterval(c.right, 0), 0.024);
}

// The field's lows, computed here straight from the sorted intervals as the
// analysers define them, against the figures' histogram: the same to the
// bin width (0.05 ms) in the interval each rate stands for.
namespace {

double AverageOfSlowest(std::vector<double> v, double share) {
    std::sort(v.begin(), v.end(), std::greater<double>());
    const size_t n = std::max<size_t>(1, static_cast<size_t>(std::ceil(share * v.size() - 1e-7)));
    return std::accumulate(v.begin(), v.begin() + n, 0.0) / n;
}

double IntegralStop(std::vector<double> v, double share) {
    std::sort(v.begin(), v.end(), std::greater<double>());
    const double goal = share * std::accumulate(v.begin(), v.end(), 0.0);
    double sum = 0;
    for (double x : v)
        if ((sum += x) >= goal)
            return x;
    return v.back();
}

}  // namespace

TEST(Figures, LowsAsTheFieldDefinesThemAgreeToTheBin) {
    // Steady 16.7 ms frames with a tail: hitches of 25 to 120 ms, and one
    // of 2.5 s, beyond the histogram's last edge.
    std::vector<double> runs[3];
    uint64_t state = 12345;
    for (int i = 0; i < 20000; ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        const double u = static_cast<double>(state >> 11) * 0x1.0p-53;
        runs[0].push_back(0.0167 + 0.002 * u);
        runs[1].push_back(i % 97 == 0 ? 0.025 + 0.095 * u : 0.0167 + 0.001 * u);
    }
    runs[2] = runs[1];
    runs[2].push_back(2.5);
    for (const std::vector<double>& run : runs) {
        IntervalFigures& f = Fresh();
        for (double x : run)
            AddInterval(f, x);
        for (double share : {0.01, 0.001}) {
            SCOPED_TRACE(share);
            EXPECT_NEAR(1.0 / LowAverageFps(f, share), AverageOfSlowest(run, share),
                        kFigureBinSeconds);
            EXPECT_NEAR(1.0 / LowIntegralFps(f, share), IntegralStop(run, share),
                        kFigureBinSeconds);
            std::vector<double> sorted = run;
            std::sort(sorted.begin(), sorted.end());
            const size_t at = static_cast<size_t>(std::ceil((1 - share) * sorted.size())) - 1;
            EXPECT_NEAR(1.0 / PercentileFps(f, 1 - share), sorted[at], kFigureBinSeconds);
        }
        EXPECT_EQ(PercentileFps(f, 0.99), OnePercentLow(f));
    }
    EXPECT_EQ(LowAverageFps(Fresh(), 0.01), 0.0);
    EXPECT_EQ(LowIntegralFps(Fresh(), 0.01), 0.0);
}
