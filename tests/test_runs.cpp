// Many captures at once: the command line that names them, the CSV cells of
// the summary and the columns both tables read.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "lab/compare_runs.h"
#include "lab/csv_cell.h"
#include "lab/sim_options.h"
#include "pacing/stats_line.h"
#include "pacing/summary_columns.h"

namespace {

// The options keep pointers into argv, as into a real one: the arguments
// stay alive until the next Parse.
bool Parse(std::vector<const char*> given, SimOptions* options, std::string* error) {
    static std::vector<const char*> args;
    args = std::move(given);
    args.insert(args.begin(), "tempola-sim");
    char text[256] = "";
    const bool ok =
        ParseSimOptions(static_cast<int>(args.size()), args.data(), options, text, sizeof text);
    *error = text;
    return ok;
}

std::string Cell(const char* text) {
    char buffer[256] = "";
    std::FILE* out = fmemopen(buffer, sizeof buffer, "w");
    PutCsvCell(out, text);
    std::fclose(out);
    return buffer;
}

}  // namespace

TEST(RunsOptions, ReplaysRepeatAndTheSummaryTakesItsPaths) {
    SimOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--replay", "a.csv", "--replay", "b.json", "--name", "A", "--stats"},
                      &options, &error))
        << error;
    EXPECT_EQ(options.replayCount, 2);
    EXPECT_STREQ(options.replayPath, "a.csv");  // one run's replay is the first
    EXPECT_STREQ(options.replayPaths[1], "b.json");
    EXPECT_EQ(options.nameCount, 1);

    ASSERT_TRUE(Parse({"--summary", "d1", "f.csv", "--threads", "1", "--left-rule", "fixed"},
                      &options, &error))
        << error;
    ASSERT_EQ(options.summaryCount, 2);
    EXPECT_STREQ(options.summaryPaths[1], "f.csv");
    EXPECT_EQ(options.threads, 1);

    std::vector<const char*> many;
    for (int i = 0; i <= kMostReplays; ++i) {
        many.push_back("--replay");
        many.push_back("a.csv");
    }
    const std::vector<std::vector<const char*>> refused = {
        many,
        {"--replay", "a.csv", "--name", "a", "--name", "b"},
        {"--name", "a"},
        {"--replay", "a.csv", "--name", ""},
        {"--replay", "a.csv", "--replay", "b.csv", "--compare-rules"},
        {"--replay", "a.csv", "--replay", "b.csv", "--log", "x.csv"},
        {"--summary"},
        {"--summary", "d", "--stats"},
        {"--summary", "d", "--seconds", "3"},
        {"--summary", "d", "--summary", "e"},
        {"--threads", "2"},
    };
    for (const auto& args : refused) {
        EXPECT_FALSE(Parse(args, &options, &error)) << args[0] << " " << args.size();
        EXPECT_FALSE(error.empty());
    }
}

TEST(RunsCells, CsvQuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(Cell("run1.csv"), "run1.csv");
    EXPECT_EQ(Cell(""), "");
    EXPECT_EQ(Cell("a,b"), "\"a,b\"");
    EXPECT_EQ(Cell("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(Cell("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(Cell("cr\r"), "\"cr\r\"");
    EXPECT_EQ(Cell(" edge"), "\" edge\"");

    char token[8];
    RunNameToken("a b=c\td", token, sizeof token);
    EXPECT_STREQ(token, "a_b_c_d");
    RunNameToken("much too long", token, sizeof token);
    EXPECT_STREQ(token, "much_to");
}

TEST(RunsColumns, NamedAsTheLineNamesThemAndFilledFromItsRecords) {
    std::vector<std::string> names;
    for (int c = 0; c < kSummaryColumnCount; ++c)
        names.push_back(SummaryColumnName(static_cast<SummaryColumn>(c)));
    const std::vector<std::string> expected = {"file",
                                               "format",
                                               "application",
                                               "frames",
                                               "seconds",
                                               "rate",
                                               "redraw_jitter_ms",
                                               "p99_fps",
                                               "low1_avg_fps",
                                               "stutters",
                                               "display_rate",
                                               "display_latency_p50_ms",
                                               "animation_error_p99_ms",
                                               "error"};
    EXPECT_EQ(names, expected);

    StatRecords records;
    ResetStatRecords(records);
    IntervalFigures redraws;
    ResetFigures(redraws);
    AddStatNumber(records, StatKey::kDisplayLatencyP50Ms, 4.0);
    char text[64];
    ASSERT_TRUE(SummaryFigureCell(records, redraws, SummaryColumn::kDisplayLatencyP50Ms, text,
                                  sizeof text));
    EXPECT_STREQ(text, "4.00");
    // What the capture measured wins over the model's figure; a cell the
    // records lack, or a figure of no intervals, is empty.
    AddStatNumber(records, StatKey::kCaptureDisplayLatencyP50Ms, 8.5);
    SummaryFigureCell(records, redraws, SummaryColumn::kDisplayLatencyP50Ms, text, sizeof text);
    EXPECT_STREQ(text, "8.500");
    SummaryFigureCell(records, redraws, SummaryColumn::kStutters, text, sizeof text);
    EXPECT_STREQ(text, "");
    SummaryFigureCell(records, redraws, SummaryColumn::kP99Fps, text, sizeof text);
    EXPECT_STREQ(text, "");
    for (int i = 0; i < 100; ++i)
        AddInterval(redraws, i == 50 ? 0.1 : 0.01);
    SummaryFigureCell(records, redraws, SummaryColumn::kP99Fps, text, sizeof text);
    EXPECT_STREQ(text, "100.00");
    EXPECT_FALSE(SummaryFigureCell(records, redraws, SummaryColumn::kFile, text, sizeof text));
}
