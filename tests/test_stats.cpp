#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "lab/run_job.h"
#include "lab/sim_options.h"
#include "lab/sim_report.h"
#include "pacing/stats_line.h"
#include "stats_golden.h"

namespace {

std::string Line(const StatRecords& records, size_t size = kStatsLineSize) {
    std::vector<char> text(size);
    WriteStatsLine(records, text.data(), text.size());
    return text.data();
}

// What the simulator prints with these arguments (--stats among them).
std::string SimLine(const std::string& args) {
    std::vector<std::string> words{"tempola-sim"};
    std::istringstream in(args);
    for (std::string word; in >> word;)
        words.push_back(word.rfind("capture/", 0) == 0
                            ? std::string(TEMPOLA_SOURCE_DIR) + "/tests/data/" + word
                            : word);
    std::vector<const char*> argv;
    for (const std::string& w : words)
        argv.push_back(w.c_str());
    SimOptions options;
    char error[512] = "";
    if (!ParseSimOptions(static_cast<int>(argv.size()), argv.data(), &options, error, sizeof error))
        return error;
    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    // The one driver of a run, as tempola-sim drives it.
    std::unique_ptr<RunWork> work = NewRunWork(options);
    auto result = std::make_unique<SimResult>();
    RunDone done{};
    if (work && RunJob(options, kRulesAsGiven, kNoFrameSink, *work, *result, done, error,
                       sizeof error, nullptr))
        PrintSimStats(out, done.setup, *result, done.displaySource, done.facts);
    std::fclose(out);
    std::string line(text, size);
    std::free(text);
    return line.empty() ? error : line.substr(0, line.size() - 1);
}

}  // namespace

TEST(StatsLine, SimulatedLinesAreThoseOfBefore) {
    const auto golden = GoldenStatsLines();
    ASSERT_GE(golden.size(), 5u);
    for (const auto& g : golden) {
        if (g.first != "live") {
            EXPECT_EQ(SimLine(g.first), g.second) << g.first;
        }
    }
}

TEST(StatsKeys, EachKeyIsOneWellFormedToken) {
    std::set<std::string> names;
    for (const StatKeyInfo& info : kStatKeys) {
        const std::string name = info.name;
        EXPECT_TRUE(names.insert(name).second) << name << " twice";
        EXPECT_EQ(name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_"),
                  std::string::npos)
            << name;
        EXPECT_EQ(info.format != nullptr, info.kind == StatKind::kNumber) << name;
    }
    EXPECT_STREQ(StatName(SideKey(StatKey::kLeftSeenP999Fps, 1)), "right_seen_p999_fps");
    EXPECT_STREQ(StatName(SeriesKey(StatKey::kDisplayJitterMs, SeriesFigure::kWorstMs)),
                 "display_worst_ms");
}

TEST(StatRecords, RefuseWhatTheLineCouldNotSayOnce) {
    auto r = std::make_unique<StatRecords>();
    ResetStatRecords(*r);
    EXPECT_TRUE(AddStatCount(*r, StatKey::kFrames, UINT64_MAX));
    EXPECT_TRUE(AddStatNumber(*r, StatKey::kRate, 59.996));
    EXPECT_TRUE(AddStatNumber(*r, StatKey::kDisplayRate, 60.0, false));
    EXPECT_TRUE(AddStatText(*r, StatKey::kLimit, "display"));
    EXPECT_TRUE(AddStatUnknown(*r, StatKey::kDropped));
    EXPECT_FALSE(r->refused);
    // A key twice, a value of another kind, a text past the room: refused,
    // and nothing of them reaches the line.
    EXPECT_FALSE(AddStatNumber(*r, StatKey::kRate, 1.0));
    EXPECT_FALSE(AddStatNumber(*r, StatKey::kInputs, 1.0));
    EXPECT_FALSE(AddStatText(*r, StatKey::kLimiter, std::string(kStatTextSize, 'x').c_str()));
    EXPECT_TRUE(r->refused);
    const std::string line = Line(*r);
    EXPECT_EQ(line,
              "tempola-stats frames=18446744073709551615 rate=60.00 display_rate= limit=display "
              "dropped=");
    EXPECT_EQ(StatNumber(*r, StatKey::kRate), 59.996);
    EXPECT_EQ(StatNumber(*r, StatKey::kDisplayRate), 0.0);
    EXPECT_STREQ(StatText(*r, StatKey::kLimit), "display");
    EXPECT_STREQ(StatText(*r, StatKey::kLimiter), "");
    // A line too short for a pair leaves it off whole, and says so.
    std::vector<char> text(line.size() - 3);
    EXPECT_FALSE(WriteStatsLine(*r, text.data(), text.size()));
    EXPECT_EQ(std::string(text.data()),
              "tempola-stats frames=18446744073709551615 rate=60.00 display_rate= limit=display");
}
