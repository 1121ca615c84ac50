#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "lab/capture/capture_stats.h"
#include "lab/report/fixed_text.h"
#include "lab/report/html_text.h"
#include "lab/report/report_file.h"
#include "lab/report/report_page.h"
#include "lab/report/report_series.h"
#include "lab/report/report_table.h"
#include "lab/sim_options.h"
#include "lab/sim_report.h"
#include "pacing/stutter.h"
#include "temp_file.h"

namespace {

// What a writer puts in a FILE, as a string.
template <typename Write>
std::string Written(Write write) {
    std::FILE* f = std::tmpfile();
    write(f);
    std::string text(static_cast<size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    const size_t got = std::fread(&text[0], 1, text.size(), f);
    std::fclose(f);
    text.resize(got);
    return text;
}

std::string Html(const std::string& s) {
    return Written([&](std::FILE* f) { WriteHtmlText(f, s.data(), s.size()); });
}

std::string Json(const std::string& s) {
    return Written([&](std::FILE* f) { WriteJsonString(f, s.data(), s.size()); });
}

bool ValidUtf8(const std::string& s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    for (size_t i = 0; i < s.size();) {
        const size_t n = Utf8CharLength(p + i, s.size() - i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

// Every interval's shortest and longest, by brute force over the buckets'
// own stretches: bucket i of a series thinned to width w holds intervals
// i*w .. i*w + w - 1.
void ExpectExtremesKept(const std::vector<double>& ms) {
    auto thin = std::make_unique<ThinnedSeries>();
    ResetThinned(*thin);
    for (size_t i = 0; i < ms.size(); ++i)
        AddThinned(*thin, static_cast<double>(i), ms[i]);
    ASSERT_LE(thin->count, kDrawBuckets);
    ASSERT_EQ(thin->total, ms.size());
    const uint64_t w = thin->width;
    ASSERT_GE(static_cast<uint64_t>(thin->count) * w, ms.size());
    for (int b = 0; b < thin->count; ++b) {
        const size_t from = static_cast<size_t>(b * w);
        const size_t to = std::min(ms.size(), static_cast<size_t>((b + 1) * w));
        size_t lo = from;
        size_t hi = from;
        for (size_t i = from; i < to; ++i) {
            lo = ms[i] < ms[lo] ? i : lo;
            hi = ms[i] > ms[hi] ? i : hi;
        }
        const ThinBucket& k = thin->bucket[b];
        ASSERT_EQ(k.min, ms[lo]) << "bucket " << b;
        ASSERT_EQ(k.max, ms[hi]) << "bucket " << b;
        ASSERT_EQ(k.minAt, static_cast<double>(lo)) << "bucket " << b;
        ASSERT_EQ(k.maxAt, static_cast<double>(hi)) << "bucket " << b;
    }
}

std::vector<uint64_t> Stutters(const std::vector<double>& ms) {
    StutterCounter c;
    ResetStutters(c);
    std::vector<uint64_t> found;
    uint64_t next = 0;
    auto take = [&](const StutterVerdict& v) {
        if (!v.decided)
            return;
        EXPECT_EQ(v.index, next++);  // judged once each, in order
        if (v.stutter)
            found.push_back(v.index);
    };
    for (double x : ms)
        take(AddStutterInterval(c, x));
    for (StutterVerdict v = FlushStutters(c); v.decided; v = FlushStutters(c))
        take(v);
    EXPECT_EQ(next, ms.size());
    EXPECT_EQ(c.stutters, found.size());
    return found;
}

}  // namespace

TEST(ReportThinning, EveryBucketKeepsItsExtremesWhereverTheSpikesFall) {
    // A million steady frames with one hitch and one short frame, at the
    // edges of the buckets and inside them; and a run that fills the
    // buckets exactly, and one that fits in them unthinned.
    for (size_t n : {size_t{1000000}, size_t{kDrawBuckets} * 64, size_t{kDrawBuckets}, size_t{7}}) {
        for (size_t spike : {size_t{0}, n / 3, n - 1}) {
            std::vector<double> ms(n, 16.7);
            ms[spike] = 500.0;
            ms[(spike + n / 2) % n] = 1.0;
            ExpectExtremesKept(ms);
        }
    }
    // Noise with a spike in every stretch of 1000.
    std::vector<double> ms(300000);
    uint64_t state = 12345;
    for (size_t i = 0; i < ms.size(); ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        ms[i] = 10.0 + static_cast<double>(state >> 40) / 1e6 + (i % 1000 == 999 ? 90.0 : 0.0);
    }
    ExpectExtremesKept(ms);
}

TEST(ReportThinning, TheWorstIntervalOfAnHourSurvivesAsAPointWithItsTime) {
    auto drawn = std::make_unique<DrawnSeries>();
    ResetDrawn(*drawn);
    const size_t n = 3600 * 240;  // an hour at 240 fps
    for (size_t i = 0; i < n; ++i)
        AddDrawn(*drawn, static_cast<double>(i) / 240.0, i == 777777 ? 250.0 : 4.1667);
    FinishDrawn(*drawn);
    double worst = 0.0;
    double at = -1.0;
    for (int b = 0; b < drawn->thin.count; ++b)
        if (drawn->thin.bucket[b].max > worst) {
            worst = drawn->thin.bucket[b].max;
            at = drawn->thin.bucket[b].maxAt;
        }
    EXPECT_EQ(worst, 250.0);
    EXPECT_DOUBLE_EQ(at, 777777 / 240.0);
    ASSERT_EQ(drawn->marks, 1);
    EXPECT_EQ(drawn->mark[0].ms, 250.0);
    EXPECT_DOUBLE_EQ(drawn->mark[0].at, 777777 / 240.0);
}

TEST(ReportStutters, ALongIntervalAmongShortOnesButNotASlowStretch) {
    std::vector<double> ms(200, 10.0);
    ms[50] = 26.0;   // over 2.5 times its neighbours
    ms[120] = 24.0;  // under
    ms[0] = 30.0;    // the first, judged by later neighbours alone
    ms[199] = 30.0;  // the last, by earlier ones alone
    EXPECT_EQ(Stutters(ms), (std::vector<uint64_t>{0, 50, 199}));
    // The rate halving for good is no stutter: a long interval's neighbours
    // are long too.
    std::vector<double> step(200, 10.0);
    for (size_t i = 100; i < step.size(); ++i)
        step[i] = 40.0;
    EXPECT_EQ(Stutters(step), std::vector<uint64_t>{});
    // Two hitches side by side: each judged without itself, both count.
    std::vector<double> pair(100, 10.0);
    pair[40] = pair[41] = 100.0;
    EXPECT_EQ(Stutters(pair), (std::vector<uint64_t>{40, 41}));
    // Too few intervals to have neighbours.
    EXPECT_EQ(Stutters({100.0}), std::vector<uint64_t>{});
    EXPECT_EQ(Stutters({}), std::vector<uint64_t>{});
}

TEST(ReportStutters, TheKeptSumJudgesAsAFreshSumWouldAtTheBar) {
    // Intervals at 2.5 times their neighbours' mean, a rounding either way,
    // among values of every size: each verdict as the fresh sum in stream
    // order gives it.
    std::vector<double> ms(20000);
    uint64_t state = 99;
    for (size_t i = 0; i < ms.size(); ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        const double scale = (i / 3000) % 2 == 0 ? 1.0 : 1e9;
        ms[i] = scale * (1.0 + static_cast<double>(state >> 44) / 1e6);
    }
    std::vector<uint64_t> want;
    for (size_t i = 0; i < ms.size(); ++i) {
        const size_t first = i > 20 ? i - 20 : 0;
        const size_t last = std::min(ms.size(), i + 21);
        double sum = 0.0;
        for (size_t k = first; k < last; ++k)
            sum += k != i ? ms[k] : 0.0;
        if (i % 50 == 25) {  // set right at the bar, then nudged
            ms[i] = kStutterFactor * sum / static_cast<double>(last - first - 1);
            ms[i] = std::nextafter(ms[i], i % 2 == 0 ? 0.0 : 1e300);
        }
    }
    for (size_t i = 0; i < ms.size(); ++i) {
        const size_t first = i > 20 ? i - 20 : 0;
        const size_t last = std::min(ms.size(), i + 21);
        double sum = 0.0;
        for (size_t k = first; k < last; ++k)
            if (k != i)
                sum += ms[k];
        if (ms[i] > kStutterFactor * sum / static_cast<double>(last - first - 1))
            want.push_back(i);
    }
    EXPECT_GT(want.size(), 100u);
    EXPECT_EQ(Stutters(ms), want);
}

TEST(ReportText, MarkupAndBadBytesFromAFileCannotLeaveTheirText) {
    const std::string hostile = "<script>alert(\"x\")</script> & 'q' \xff\xc0\xaf\xed\xa0\x80 \x01";
    const std::string html = Html(hostile);
    EXPECT_EQ(html.find_first_of("<>\"'"), std::string::npos) << html;
    EXPECT_NE(html.find("&lt;script&gt;"), std::string::npos);
    EXPECT_NE(html.find("&amp;"), std::string::npos);
    EXPECT_TRUE(ValidUtf8(html));
    // Five bytes that are not UTF-8 (0xff, an overlong '/', a surrogate's
    // first byte and its two trailing bytes read alone) and a control byte.
    size_t replaced = 0;
    for (size_t at = html.find("&#xFFFD;"); at != std::string::npos;
         at = html.find("&#xFFFD;", at + 1))
        ++replaced;
    EXPECT_EQ(replaced, 7u);

    const std::string json = Json(hostile + "\\ \xe2\x80\xa8 \n");
    EXPECT_EQ(json.front(), '"');
    EXPECT_EQ(json.back(), '"');
    const std::string inner = json.substr(1, json.size() - 2);
    EXPECT_EQ(inner.find_first_of("<>&'\n"), std::string::npos) << json;
    EXPECT_TRUE(ValidUtf8(json));
    EXPECT_NE(json.find("\\u003cscript\\u003e"), std::string::npos);
    EXPECT_NE(json.find("\\u2028"), std::string::npos);
    EXPECT_NE(json.find("\\\\"), std::string::npos);
    // No quote ends the string early: each one inside is escaped.
    for (size_t i = 1; i + 1 < json.size(); ++i) {
        if (json[i] == '"') {
            EXPECT_EQ(json[i - 1], '\\') << i;
        }
    }
}

TEST(ReportText, WellFormedTextPassesWhole) {
    const std::string text = "Élan 日本 😀 tab\tend";
    EXPECT_EQ(Html(text), text);
    // JSON takes no raw control character, not even a tab.
    EXPECT_EQ(Json(text), "\"Élan 日本 😀 tab\\u0009end\"");
    const unsigned char max[] = {0xF4, 0x8F, 0xBF, 0xBF};
    const unsigned char past[] = {0xF4, 0x90, 0x80, 0x80};
    const unsigned char cut[] = {0xE6, 0x97};
    EXPECT_EQ(Utf8CharLength(max, 4), 4u);
    EXPECT_EQ(Utf8CharLength(past, 4), 0u);
    EXPECT_EQ(Utf8CharLength(cut, 2), 0u);
}

TEST(ReportFile, APageAppearsWholeOrNotAtAll) {
    TempFolder folder("report-file");
    ASSERT_FALSE(folder.path.empty());
    const std::string page = folder.path + "/run.html";
    char error[512] = "";
    WholeFile out{};
    ASSERT_TRUE(OpenWholeFile(out, page.c_str(), error, sizeof error)) << error;
    std::fputs("<p>half", out.file);
    struct stat info;
    EXPECT_NE(stat(page.c_str(), &info), 0) << "the name appears only when the page is whole";
    DiscardWholeFile(out);
    EXPECT_NE(stat(out.tempPath, &info), 0);
    EXPECT_EQ(std::system(("test -z \"$(ls -A '" + folder.path + "')\"").c_str()), 0);

    ASSERT_TRUE(OpenWholeFile(out, page.c_str(), error, sizeof error)) << error;
    std::fputs("<p>whole</p>", out.file);
    ASSERT_TRUE(CommitWholeFile(out, error, sizeof error)) << error;
    ASSERT_EQ(stat(page.c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 12);

    // A folder where the page should go, and a folder that is not there.
    EXPECT_FALSE(OpenWholeFile(out, folder.path.c_str(), error, sizeof error));
    EXPECT_NE(std::string(error).find("is a folder"), std::string::npos) << error;
    const std::string missing = folder.path + "/no/such/run.html";
    EXPECT_FALSE(OpenWholeFile(out, missing.c_str(), error, sizeof error));
    EXPECT_NE(std::string(error).find("cannot write"), std::string::npos) << error;
}

TEST(ReportSeries, AModelledRunGivesTheSeriesEverySettledRedraw) {
    // Limited or not, with a display or without: the series count what the
    // run's own figures count, the newest redraw included.
    for (const LimitKind kind : {LimitKind::kOff, LimitKind::kRate, LimitKind::kDisplay}) {
        for (const double displayHz : {0.0, 60.0}) {
            SimSetup setup{};
            setup.redraw = RedrawModel{144.0, 2.0, 3, 0.0, 0.0, 5.0};
            setup.clock = PacerClock::kMicroseconds;
            setup.displayHz = displayHz;
            setup.limit.setting =
                LimitSetting{kind, 100.0, WaitMethod::kSleep, WaitPlacement::kSwap};
            setup.side[0] = SideSetup{kRuleAdaptive, 62.0};
            setup.side[1] = SideSetup{kRuleFixed, 31.0};
            auto result = std::make_unique<SimResult>();
            auto series = std::make_unique<DrawnSeries[]>(kDrawnKinds);
            SeriesCollector collector;
            StartCollecting(collector, series.get());
            RunSim(setup, *result, SeriesSink(collector));
            FinishCollecting(collector);
            const IntervalFigures* figures[kDrawnKinds] = {
                &result->cadence.redraw, &result->cadence.left, &result->cadence.right,
                &result->side[0].seen, &result->side[1].seen};
            for (int k = 0; k < kDrawnKinds; ++k) {
                const uint64_t want = k < kDrawnLeftSeen || displayHz > 0.0 ? figures[k]->count : 0;
                EXPECT_EQ(series[k].thin.total, want) << k << " " << displayHz;
            }
            EXPECT_GT(series[kDrawnRedraw].thin.total, 250u);
        }
    }
}

TEST(ReportText, NumbersAsPrintfWritesThem) {
    // Ties of the last place (1/32 at 4 places), both signs, zero's sign,
    // subnormals, the smallest and the largest, and noise over many sizes.
    std::vector<double> values = {
        0.0,     -0.0,     1.0 / 32, 3.0 / 32, -1.0 / 32, 0.5e-6,  1.5e-6,   2.5e-4,
        4.99995, 1e-300,   -1e-300,  9.2e18,   1e19,      -3.7e22, 16.66665, 123456789.123456789,
        5e-324,  -2.5e-310};
    uint64_t state = 7;
    for (int i = 0; i < 20000; ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        const double mantissa = static_cast<double>(state >> 11) * 0x1.0p-53;
        values.push_back((i % 2 ? -1 : 1) *
                         std::ldexp(mantissa, static_cast<int>(state % 90) - 40));
    }
    char want[400];
    char got[kFixedTextSize];
    for (double v : values) {
        for (int places : {0, 4, 6, 9}) {
            std::snprintf(want, sizeof want, "%.*f", places, v);
            const size_t n = FixedText(got, v, places);
            ASSERT_STREQ(got, want) << places;
            ASSERT_EQ(n, std::strlen(want));
        }
    }
}

TEST(ReportOptions, WhatGoesWithAReport) {
    auto parse = [](std::vector<const char*> args, std::string* error) {
        args.insert(args.begin(), "tempola-sim");
        SimOptions options;
        char text[256] = "";
        const bool ok = ParseSimOptions(static_cast<int>(args.size()), args.data(), &options, text,
                                        sizeof text);
        *error = text;
        return ok;
    };
    std::string error;
    EXPECT_TRUE(parse({"--report", "a.html", "--stats", "--compare-rules"}, &error)) << error;
    EXPECT_TRUE(parse({"--replay", "x.csv", "--compare-rules", "--left-target", "40"}, &error))
        << error;
    const std::vector<std::vector<const char*>> refused = {
        {"--report"},
        {"--report", ""},
        {"--report", "a.html", "--sweep"},
        {"--compare-rules", "--sweep"},
        {"--compare-rules", "--left-rule", "fixed"},
        {"--report", "a.html", "--log", "a.csv"},
        {"--compare-rules", "--side-logs", "a"},
        {"--replay", "x.csv", "--list", "--report", "a.html"},
        {"--replay", "x.csv", "--compare-rules", "--list"},
    };
    for (const auto& args : refused) {
        EXPECT_FALSE(parse(args, &error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

namespace {

// The <td> of one run's key, as the page writes it: in the side table, or
// for a key of the whole run in the table of runs.
std::string Cell(const std::string& page, int run, const std::string& key) {
    const bool sided = key.rfind("left_", 0) == 0 || key.rfind("right_", 0) == 0;
    const size_t table = page.find(sided ? "id=\"figures-sides\"" : "id=\"figures-runs\"");
    const std::string open = "<tr data-run=\"" + std::to_string(run) + "\">";
    for (size_t row = page.find(open, table); row != std::string::npos;
         row = page.find(open, row + 1)) {
        const size_t at = page.find("data-key=\"" + key + "\"", row);
        if (at != std::string::npos && at < page.find("</tr>", row))
            return page.substr(at, page.find("</td>", at) - at);
    }
    return "(none)";
}

// One run's figures for the tables: each side's mean rate, jitter and
// stutters (negative: not known), the left's p99 and the drops.
struct TableRun {
    const char* rule;
    double mean[2];
    double jitter[2];
    int stutters[2];
    double leftP99;
    uint64_t dropped;
};

void Fill(StatRecords& r, const TableRun& run) {
    ResetStatRecords(r);
    AddStatCount(r, StatKey::kFrames, 9);
    for (int side = 0; side < 2; ++side) {
        AddStatText(r, SideKey(StatKey::kLeftRule, side), run.rule);
        AddStatNumber(r, SideKey(StatKey::kLeftTarget, side), side == 0 ? 60.0 : 30.0);
        AddStatNumber(r, SideKey(StatKey::kLeftMeanRate, side), run.mean[side]);
        AddStatNumber(r, SideKey(StatKey::kLeftJitterMs, side), run.jitter[side]);
        if (run.stutters[side] >= 0)
            AddStatCount(r, SideKey(StatKey::kLeftStutters, side), run.stutters[side]);
        else
            AddStatUnknown(r, SideKey(StatKey::kLeftStutters, side));
    }
    AddStatCount(r, StatKey::kDropped, run.dropped);
    AddStatNumber(r, StatKey::kLeftP99Fps, run.leftP99);
    AddStatNumber(r, StatKey::kRedrawJitterMs, 1.0);
}

}  // namespace

TEST(ReportTable, TheBestOfEachColumnIsMarkedWhicheverWayIsBetter) {
    auto report = std::make_unique<Report>();
    report->about = ReportAbout{};
    report->about.compare = true;
    report->runs = 3;
    report->run[0].displayHz = 0.0;
    const TableRun runs[3] = {
        {"fixed", {58.0, 30.5}, {1.0, 2.0}, {3, -1}, 500.0, 4},
        {"<b>", {61.0, 25.0}, {0.25, 0.2504}, {0, 7}, 58.0, 2},
        {"scheduled", {60.9, 29.0}, {3.0, 0.3}, {1, 2}, 70.0, 9},
    };
    for (int i = 0; i < 3; ++i)
        Fill(report->run[i].stats, runs[i]);
    const std::string page = Written([&](std::FILE* f) { WriteFigureTables(f, *report); });
    const std::string best = "class=\"best\"";
    // Nearest the target, not the highest: 30.5 against 30 beats 61 against 60.
    EXPECT_NE(Cell(page, 0, "right_mean_rate").find(best), std::string::npos);
    EXPECT_EQ(Cell(page, 1, "left_mean_rate").find(best), std::string::npos);
    // A low far above the target is no better than one below it.
    EXPECT_NE(Cell(page, 1, "left_p99_fps").find(best), std::string::npos);
    EXPECT_EQ(Cell(page, 0, "left_p99_fps").find(best), std::string::npos);
    // Where every row is the same, none is the best.
    for (int run = 0; run < 3; ++run)
        EXPECT_EQ(Cell(page, run, "redraw_jitter_ms").find(best), std::string::npos) << run;
    // The lowest jitter, tied by two rows as printed: both marked.
    EXPECT_NE(Cell(page, 1, "left_jitter_ms").find(best), std::string::npos);
    EXPECT_NE(Cell(page, 1, "right_jitter_ms").find(best), std::string::npos);
    EXPECT_EQ(Cell(page, 2, "right_jitter_ms").find(best), std::string::npos);
    EXPECT_NE(Cell(page, 1, "dropped").find(best), std::string::npos);
    // An empty value is shown as a dash and is never the best; a zero is.
    EXPECT_NE(Cell(page, 0, "right_stutters").find("&ndash;"), std::string::npos);
    EXPECT_EQ(Cell(page, 0, "right_stutters").find(best), std::string::npos);
    EXPECT_NE(Cell(page, 1, "left_stutters").find(best), std::string::npos);
    // The figures are printed as the line prints them; a rule's name is escaped.
    EXPECT_NE(Cell(page, 2, "left_mean_rate").find(">60.900"), std::string::npos);
    EXPECT_NE(page.find("&lt;b&gt;"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    // No column for figures no line has, and no seen table without a display.
    EXPECT_EQ(page.find("1% low average (fps)"), std::string::npos);
    EXPECT_EQ(page.find("figures-seen"), std::string::npos);
}

// The longest line the simulator writes: a limited run with a display, a
// capture that names its machine at full length and carries every latency,
// and the page's stutter counts. Nothing may be cut from its end.
TEST(ReportStats, ALineWithEveryGroupKeepsItsLastKeys) {
    SimSetup setup{};
    setup.redraw.redrawHz = 1000.0;
    setup.redraw.seconds = 2.0;
    setup.redraw.seed = 1;
    setup.clock = PacerClock::kMilliseconds;
    setup.displayHz = 60.0;
    setup.limit.setting =
        LimitSetting{LimitKind::kRate, 59.94, WaitMethod::kHybrid, WaitPlacement::kFrame};
    setup.side[0] = SideSetup{kRuleAdaptive, 62.0};
    setup.side[1] = SideSetup{kRuleFixed, 31.0};
    auto result = std::make_unique<SimResult>();
    RunSim(setup, *result);
    auto info = std::make_unique<CaptureInfo>();
    for (char* name : {info->game, info->cpu, info->gpu}) {
        std::memset(name, 'x', kSystemInfoSize - 1);
        name[kSystemInfoSize - 1] = '\0';
    }
    info->ticksHz = 10e6;
    auto facts = std::make_unique<CaptureFacts>();
    ResetCaptureFacts(*facts, *info);
    for (IntervalFigures& latency : facts->latency) {
        ResetFigures(latency);
        for (int i = 1; i <= 100; ++i)
            AddInterval(latency, i * 0.00123);
    }
    const uint64_t many = UINT64_MAX;
    const StutterCounts stutters{many, {many, many}, {many, 7}, true};
    auto records = std::make_unique<StatRecords>();
    SimStatRecords(*records, setup, *result, "model", facts.get(), &stutters);
    std::vector<char> text(kStatsLineSize);
    EXPECT_TRUE(WriteStatsLine(*records, text.data(), text.size()));
    EXPECT_FALSE(records->refused);
    const std::string line(text.data());
    // The motion group and the capture's animation error come after the
    // stutters, which were the last before them.
    EXPECT_NE(line.find(" right_seen_stutters=7 left_motion=cpu "), std::string::npos);
    EXPECT_EQ(line.substr(line.rfind(' ')), " capture_animation_error_rejected=0");
    // Every figure the page's tables can show is a key of this line.
    StatKey keys[kStatKeyCount];
    const int count = ReportTableKeys(keys, kStatKeyCount);
    ASSERT_LE(count, kStatKeyCount);
    for (int i = 0; i < count; ++i)
        EXPECT_NE(line.find(std::string(" ") + StatName(keys[i]) + "="), std::string::npos)
            << StatName(keys[i]);
    // Without a display there is nothing seen to stutter.
    const StutterCounts unseen{1, {2, 3}, {4, 5}, false};
    setup.displayHz = 0.0;
    SimStatRecords(*records, setup, *result, "model", nullptr, &unseen);
    WriteStatsLine(*records, text.data(), text.size());
    const std::string plain(text.data());
    EXPECT_EQ(plain.substr(plain.find(" redraw_stutters="), 52),
              " redraw_stutters=1 left_stutters=2 right_stutters=3 ");
}
