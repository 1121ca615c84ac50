#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "capture_read.h"
#include "lab/capture/capture_list.h"
#include "lab/capture/capture_stats.h"
#include "lab/capture/text.h"
#include "pacing/frame_log.h"

namespace {

std::string Listed(const Read& r, const char* path) {
    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    PrintCaptureList(out, path, r.info);
    PrintCaptureNotes(out, "sim", path, r.info);
    std::fclose(out);
    const std::string listed(text, size);
    std::free(text);
    return listed;
}

}  // namespace

// Names as the tools spell them: any case, underscores anywhere; cells as
// they write them: quoted with commas inside, blank, NA, boolean.
TEST(CaptureCells, NamesNumbersAndFlagsAsToolsWriteThem) {
    auto cell = [](const char* text) { return Cell{text, std::char_traits<char>::length(text)}; };
    EXPECT_TRUE(SameColumn(cell("time_in_seconds"), "TimeInSeconds"));
    EXPECT_TRUE(SameColumn(cell(" msBetweenPresents "), "MsBetweenPresents"));
    EXPECT_TRUE(SameColumn(cell("_Frame_Time_"), "FrameTime"));
    EXPECT_FALSE(SameColumn(cell("TimeInSecond"), "TimeInSeconds"));
    EXPECT_FALSE(SameColumn(cell("TimeInSecondsX"), "TimeInSeconds"));
    EXPECT_FALSE(SameColumn(cell("___"), "T"));
    Cell cells[8];
    ASSERT_EQ(Split("a,\"b, c\",,\"d\"", 13, cells, 8), 4);
    EXPECT_EQ(std::string(cells[1].text, cells[1].size), "b, c");
    EXPECT_EQ(cells[2].size, 0u);
    EXPECT_EQ(std::string(cells[3].text, cells[3].size), "d");
    EXPECT_EQ(Split("a,b,", 4, cells, 8), 3);   // a trailing comma is an empty last cell
    EXPECT_EQ(Split("a,b,c", 5, cells, 2), 2);  // no further than asked
    EXPECT_TRUE(Empty(cell(" NA ")));
    EXPECT_TRUE(Empty(cell("na")));
    EXPECT_FALSE(Empty(cell("NaN")));
    double v = 0.0;
    EXPECT_TRUE(ParseDouble(cell("  16.66666666666667 "), &v));
    EXPECT_DOUBLE_EQ(v, 16.66666666666667);
    EXPECT_FALSE(ParseDouble(cell("1,5"), &v));
    EXPECT_FALSE(ParseDouble(cell("inf"), &v));
    EXPECT_EQ(ParseFlag(cell(" True")), 1);
    EXPECT_EQ(ParseFlag(cell("FALSE ")), 0);
    EXPECT_EQ(ParseFlag(cell("2")), -1);
    EXPECT_EQ(ParseFlag(cell("yes")), -1);
}

// The writer's own log, every column of its table, read back by the reader
// that shares the table: told as this program's log (not the present
// monitor 2.4 its MsCPUBusy column would suggest), clock and sides read.
TEST(CaptureLayouts, TheFrameLogReadsBackThroughTheSameColumnTable) {
    TempFile file("frame-log");
    auto log = std::make_unique<FrameLog>();
    ASSERT_TRUE(
        OpenFrameLog(*log, file.path.c_str(), CaptureIdentity{"tempola", 7, 1}, nullptr, 0));
    for (int i = 0; i < 5; ++i) {
        const FrameSample sample{i * 0.016,
                                 {i % 2 == 0, 0.032, 31.0, kRuleFixed},
                                 {true, 0.016, 62.5, kRuleScheduled},
                                 static_cast<uint32_t>(1000 + i * 16),
                                 FrameWork{}};
        LogFrame(*log, sample, kUnknownDisplay);
    }
    ASSERT_TRUE(CloseFrameLog(*log));
    CaptureReaderPtr reader = NewCaptureReader();
    char error[600] = "";
    ASSERT_TRUE(OpenCapture(*reader, file.path.c_str(), CaptureOptions{}, error, sizeof error))
        << error;
    EXPECT_STREQ(CaptureInfoOf(*reader).format, "Tempola frame log");
    CaptureRow row{};
    int rows = 0;
    while (NextCaptureRow(*reader, &row, error, sizeof error) == CaptureStep::kRow) {
        EXPECT_TRUE(row.hasClock && row.hasSides);
        EXPECT_EQ(row.clockMs, 1000u + rows * 16u);
        EXPECT_EQ(row.side[0].updated, rows % 2 == 0);
        EXPECT_EQ(row.side[1].rule, kRuleScheduled);
        EXPECT_EQ(row.side[1].target, 62.5);
        EXPECT_LT(row.latencyMs[kInputLatency], 0.0);  // written empty
        ++rows;
    }
    EXPECT_EQ(rows, 5) << error;
}

// 2.4's CPU-start layouts: the display is DisplayLatency from the CPU's
// start, and MsCPUBusy tells them from 2.0's.
TEST(CaptureLayouts, PresentMonFromTheCpuStart) {
    const Read ms = ReadText(
        "Application,SwapChainAddress,CPUStartTime,MsBetweenPresents,MsCPUBusy,MsUntilDisplayed,"
        "MsDisplayLatency\n"
        "g,1,100.0,10,8,2,9\ng,1,110.0,10,8,2,9\ng,1,120.0,10,8,2,NA\n");
    EXPECT_EQ(ms.format, "PresentMon 2.4+");
    EXPECT_EQ(ms.end, CaptureStep::kEnd) << ms.error;
    EXPECT_EQ(ms.shown, 2);
    EXPECT_NEAR(ms.last - ms.first, 0.02, 1e-12);
    const Read ticks = ReadText(
        "Application,CPUStartQPC,MsBetweenPresents,MsCPUBusy\n"
        "g,5000000,0,8\ng,5166667,16.6667,8\ng,5333333,16.6666,8\n");
    EXPECT_EQ(ticks.format, "PresentMon 2.4+");
    EXPECT_EQ(ticks.info.ticksHz, 1e7);
    const Read qpcMs = ReadText(
        "Application,CPUStartQPCTime,FrameTime,DisplayLatency,DisplayedTime\n"
        "g,5000.5,10,4,10\ng,5010.5,10,4,10\n");
    EXPECT_EQ(qpcMs.format, "PresentMon 2.0-2.3");
    EXPECT_STREQ(qpcMs.info.timeName, "CPUStartQPCTime");
    EXPECT_NEAR(qpcMs.last - qpcMs.first, 0.01, 1e-12);
    // Without FrameTime or 2.4's columns a CPU start in ms is no layout known.
    EXPECT_FALSE(ReadText("Application,CPUStartTime,GPUBusy\ng,1,2\n").opened);
}

// Past the streams told apart, rows are counted and never chosen.
TEST(CaptureLayouts, ManyProcessesCountedPastTheLastOneToldApart) {
    std::string text = "Application,SwapChainAddress,TimeInSeconds,MsBetweenPresents\n";
    for (int i = 0; i < kMostCaptureStreams + 6; ++i)
        text += "p" + std::to_string(i) + ",1,0.5,1\n";
    for (int i = 0; i < 3; ++i)
        text += "p9,1," + std::to_string(1 + i) + ",1\n";
    const Read r = ReadText(text, CaptureOptions{nullptr, 0, 0, true, nullptr});
    EXPECT_EQ(r.info.streamCount, kMostCaptureStreams);
    EXPECT_EQ(r.info.otherRows, 6u);
    EXPECT_EQ(r.application, "p9");
    EXPECT_EQ(r.rows, 4);
}

// JSON as CapFrameX and people's editors leave it: a byte-order mark, numbers
// as strings, nulls, no Info block.
TEST(CaptureLayouts, JsonAsFilesHoldIt) {
    const Read r = ReadText(
        "\xEF\xBB\xBF \n{\"Runs\":[{\"CaptureData\":{\"TimeInSeconds\":[\"0.5\",0.6,0.7],"
        "\"MsBetweenPresents\":[1,1,1],\"MsUntilDisplayed\":[null,\"4\",\"NA\"],"
        "\"Dropped\":[false,false,true]}}]}");
    EXPECT_EQ(r.end, CaptureStep::kEnd) << r.error;
    EXPECT_EQ(r.rows, 3);
    EXPECT_EQ(r.shown, 1);
    EXPECT_EQ(r.dropped, 1);
    EXPECT_EQ(r.info.runs, 1);
    EXPECT_EQ(r.application, "");
    // Counter ticks in a JSON run, fitted like a CSV file's.
    const Read ticks = ReadText(
        "{\"Runs\":[{\"CaptureData\":{\"QPCTime\":[700000,800000,900000],"
        "\"MsBetweenPresents\":[0,10,10]}}]}");  // the first since a frame before it
    EXPECT_EQ(ticks.info.ticksHz, 1e7);
    EXPECT_NEAR(ticks.last - ticks.first, 0.02, 1e-12);
    const Read busy = ReadText(
        "{\"Runs\":[{\"CaptureData\":{\"CPUStartQPC\":[700000,805000,905000],"
        "\"CPUBusy\":[8.5,8,8],\"CPUWait\":[2,2,2]}}]}");
    EXPECT_EQ(busy.info.ticksHz, 1e7);
}

// MangoHud's elapsed told from its steps against the frame times; a log
// whose elapsed lags its frames is neither kind and refused.
TEST(CaptureLayouts, MangoHudElapsedThatMatchesNoUnitIsRefused) {
    const Read lagging =
        ReadText("fps,frametime,elapsed\n100,10,0\n100,10,100\n100,10,200\n100,10,300\n");
    EXPECT_FALSE(lagging.opened);
    EXPECT_NE(lagging.error.find("neither a per-frame nor a sampled log"), std::string::npos)
        << lagging.error;
    // Too short to tell: taken as ns.
    const Read two = ReadText("fps,frametime,elapsed\n100,10,0\n100,10,10000000\n");
    EXPECT_EQ(two.end, CaptureStep::kEnd) << two.error;
    EXPECT_NEAR(two.last - two.first, 0.01, 1e-12);
}

// --list: what it says of a capture timed in ticks, of a JSON capture's
// runs and machine, and of a stream it could not time.
TEST(CaptureLayouts, TheListSaysTheUnitTheRunsAndTheStreams) {
    const std::string ticksPath = CaptureFile("presentmon20_qpc.csv");
    const std::string ticks =
        Listed(ReadAll(ticksPath, CaptureOptions{nullptr, 0, 0, true, nullptr}), "f.csv");
    EXPECT_NE(ticks.find("f.csv: PresentMon 2.0-2.3, times in CPUStartQPC (counter ticks at "
                         "10000000 Hz, fitted against MsBetweenPresents)"),
              std::string::npos)
        << ticks;
    EXPECT_NE(ticks.find("sim: f.csv: CPUStartQPC in counter ticks at 10000000 Hz"),
              std::string::npos)
        << ticks;
    const std::string given =
        Listed(ReadAll(ticksPath, CaptureOptions{nullptr, 0, 1e7, true, nullptr}), "f");
    EXPECT_NE(given.find("given by --qpc-hz"), std::string::npos) << given;
    EXPECT_EQ(given.find("fitted"), std::string::npos) << given;
    const std::string json = Listed(
        ReadAll(CaptureFile("capframex.json"), CaptureOptions{nullptr, 2, 0, true, nullptr}), "c");
    EXPECT_NE(json.find("; run 2 of 2\n"), std::string::npos) << json;
    EXPECT_NE(json.find("game: Resident Evil 2\n"), std::string::npos) << json;
    EXPECT_NE(json.find("sim: c holds 2 runs; replaying run 2"), std::string::npos) << json;
    const std::string untimed = Listed(ReadAll(CaptureFile("presentmon1.csv")), "p");
    EXPECT_NE(untimed.find(" -\n"), std::string::npos) << untimed;
}

// A preamble of any number of "//" lines is skipped, up to 64 KiB of them.
TEST(CaptureLayouts, APreambleIsBoundedBySizeNotLines) {
    const std::string rows = "Application,TimeInSeconds,MsBetweenPresents\ng,0.5,1\ng,0.6,100\n";
    std::string preamble;
    for (int i = 0; preamble.size() < 60 * 1024; ++i)
        preamble += "//Comment" + std::to_string(i) + "=" + std::string(50, 'x') + "\n";
    const Read long_ = ReadText(preamble + rows);
    EXPECT_EQ(long_.end, CaptureStep::kEnd) << long_.error;
    EXPECT_EQ(long_.format, "CapFrameX CSV");
    const Read over = ReadText(preamble + preamble + rows);
    EXPECT_FALSE(over.opened);
    EXPECT_NE(over.error.find("not a capture"), std::string::npos) << over.error;
}

// CPUStartTime is ms from one writer and seconds from another under the
// same name: its steps against the frame times tell which.
TEST(CaptureLayouts, CpuStartTimeInSecondsOrMsToldFromItsSteps) {
    for (double unit : {1.0, 1000.0}) {
        SCOPED_TRACE(unit);
        std::string older = "Application,CPUStartTime,FrameTime,CPUBusy\n";
        std::string newer = "Application,CPUStartTime,MsBetweenPresents,MsCPUBusy\n";
        for (int i = 0; i < 70; ++i) {
            older += "g," + std::to_string(i * unit) + ",1000,900\n";
            newer += "g," + std::to_string(i * unit) + ",1000,900\n";
        }
        const Read a = ReadText(older);
        const Read b = ReadText(newer);
        EXPECT_EQ(a.format, "PresentMon 2.0-2.3");
        EXPECT_EQ(b.format, "PresentMon 2.4+");
        EXPECT_NEAR(a.last - a.first, 69.0, 1e-9) << a.error;
        EXPECT_NEAR(b.last - b.first, 69.0, 1e-9) << b.error;
    }
}

// A counter at none of the usual rates keeps its fitted rate; one within
// 1 % of a usual rate is taken as that rate.
TEST(CaptureLayouts, ATickRateSnapsOnlyWithinOnePercent) {
    struct Case {
        double hz;
        double taken;
    } cases[] = {{2.4e6, 2.4e6}, {10.3e6, 10.3e6}, {9.7e6, 9.7e6}, {9.95e6, 1e7}, {3.6e6, 3579545}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hz);
        std::string text = "Application,QPCTime,MsBetweenPresents\n";
        for (int i = 0; i < 30; ++i)
            text += "g," + std::to_string(static_cast<long long>(i * c.hz * 0.01)) + ",10\n";
        const Read r = ReadText(text);
        EXPECT_NEAR(r.info.ticksHz, c.taken, 1e-3) << r.error;
    }
}

// FrameType, the file's own animation error and what recomputing it needs,
// read from a present monitor 2.4 file with frame generation; and summed up
// for the stats line.
TEST(CaptureLayouts, FrameTypeAndTheAnimationColumns) {
    char* text = nullptr;
    size_t size = 0;
    std::FILE* notes = open_memstream(&text, &size);
    const Read r = ReadAll(CaptureFile("presentmon24_framegen.csv"), {nullptr, 0, 0, false, notes});
    std::fclose(notes);
    const std::string said(text, size);
    std::free(text);
    // The generator not known is named once, for its two rows; those known are not.
    EXPECT_EQ(said.find("FrameType"), said.rfind("FrameType")) << said;
    EXPECT_NE(said.find("'Acme Frames 2' is not known"), std::string::npos) << said;
    ASSERT_EQ(r.kept.size(), 12u) << r.error;
    for (size_t i = 0; i < r.kept.size(); ++i) {
        SCOPED_TRACE(i);
        const CaptureMotion& m = r.kept[i].motion;
        EXPECT_EQ(r.kept[i].generated, i % 2 == 1);  // Repeated and unknown values too
        EXPECT_NEAR(m.presentSeconds - m.cpuStartSeconds, 0.003, 1e-9);
        EXPECT_EQ(m.inPresentApiMs, 0.2);
        EXPECT_EQ(std::isnan(m.errorMs), i == 2);
        EXPECT_EQ(m.errorRejected, i == 2);
        EXPECT_EQ(std::isnan(m.untilDisplayedMs), i == 4);
    }
    EXPECT_EQ(r.kept[9].motion.errorMs, 1.0);
    EXPECT_EQ(r.kept[11].motion.timeMs, 110.5);
    auto facts = std::make_unique<CaptureFacts>();
    ResetCaptureFacts(*facts, r.info);
    for (const CaptureRow& row : r.kept)
        AddCaptureRow(*facts, row);
    EXPECT_EQ(facts->generatedFrames, 6u);
    EXPECT_EQ(facts->displayedFrames, 11u);
    EXPECT_EQ(facts->applicationShown, 5u);  // one's MsUntilDisplayed wrapped
    EXPECT_EQ(facts->animationError.count, 11u);
    EXPECT_EQ(facts->animationError.max, 0.001);
    EXPECT_EQ(facts->animationErrorRejected, 1u);
    EXPECT_EQ(facts->skippedCells, 2u);  // MsUntilDisplayed and MsPCLatency, once each
    EXPECT_NEAR(CaptureDisplayedRate(*facts), 10 / 0.1105, 1e-6);
    EXPECT_NEAR(CaptureApplicationRate(*facts), 10 / 0.1105 * 4 / 10, 1e-6);
    // Timed from the CPU's start: no present time; no such columns: NaN.
    const Read cpu = ReadAll(CaptureFile("presentmon2.csv"));
    EXPECT_EQ(cpu.kept[3].motion.cpuStartSeconds, cpu.kept[3].seconds);
    EXPECT_TRUE(std::isnan(cpu.kept[3].motion.presentSeconds));
    EXPECT_EQ(cpu.kept[3].motion.errorMs, 0.0);
    const CaptureRow plain = ReadAll(CaptureFile("presentmon1.csv")).kept[3];
    EXPECT_TRUE(std::isnan(plain.motion.errorMs) && std::isnan(plain.motion.cpuStartSeconds));
    EXPECT_FALSE(plain.generated);
    const Read json = ReadText(
        "{\"Runs\":[{\"CaptureData\":{\"TimeInSeconds\":[0,1,2],\"MsBetweenPresents\":[1,1,1],"
        "\"FrameType\":[\"Application\",\"AMD AFMF\",null]}}]}");
    ASSERT_EQ(json.kept.size(), 3u) << json.error;
    EXPECT_TRUE(json.kept[1].generated);
    EXPECT_FALSE(json.kept[2].generated);
}
