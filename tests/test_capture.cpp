#include <gtest/gtest.h>

#include <string>

#include "capture_read.h"

namespace {

const char kPresentMonHeader[] =
    "Application,ProcessID,SwapChainAddress,Runtime,SyncInterval,PresentFlags,Dropped,"
    "TimeInSeconds,MsBetweenPresents,MsBetweenDisplayChange,MsUntilDisplayed\n";
const char kRow[] = "app,1,0x1,DXGI,0,0,0,0.5,10,10,4\n";

// Every file of tests/data/capture that is a capture holds the same twelve
// redraws, the first 10.5 ms before the second and then 10 ms apart.
constexpr double kSpan = 0.1105;

}  // namespace

// Each format's documented header, hand-written, told apart and read to its
// rows, in every time unit: seconds, ms, counter ticks (whose rate is
// fitted), MangoHud's ns and us.
TEST(CaptureReader, TellsEachFormatAndReadsItsTimes) {
    struct Case {
        const char* file;
        const char* format;
        int shown;
        double ticksHz;
    } cases[] = {
        {"presentmon1.csv", "PresentMon 1.x", 12, 0},
        {"presentmon2.csv", "PresentMon 2.0-2.3", 11, 0},  // one DisplayedTime is NA
        {"presentmon24.csv", "PresentMon 2.4+", 12, 0},
        {"mangohud_v1.csv", "MangoHud", 0, 0},
        {"mangohud_old.csv", "MangoHud", 0, 0},
        {"mangohud_us.csv", "MangoHud", 0, 0},
        {"tempola_old.csv", "Tempola frame log (without PacerClockMs)", 0, 0},
        {"capframex.csv", "CapFrameX CSV", 11, 0},  // one Dropped is True
        {"capframex.json", "CapFrameX JSON", 11, 0},
        {"ocat.csv", "PresentMon 1.x", 12, 0},
        {"interleaved.csv", "PresentMon 1.x", 12, 0},
        {"presentmon1_qpc.csv", "PresentMon 1.x", 12, 3579545},
        {"presentmon20_qpc.csv", "PresentMon 2.0-2.3", 11, 1e7},
        {"presentmon24_qpc.csv", "PresentMon 2.4+", 12, 1e7},
        {"capframex_long_preamble.csv", "CapFrameX CSV", 12, 0},      // 23 preamble lines
        {"presentmon_app_seconds.csv", "PresentMon 2.0-2.3", 12, 0},  // CPUStartTime in s
        {"presentmon20_busy_wait.csv", "PresentMon 2.0-2.3", 12,
         1e7},                                                    // fitted to CPUBusy + CPUWait
        {"presentmon24_framegen.csv", "PresentMon 2.4+", 11, 0},  // one MsUntilDisplayed wrapped
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const Read r = ReadAll(CaptureFile(c.file));
        ASSERT_TRUE(r.opened) << r.error;
        EXPECT_EQ(r.format, c.format);
        EXPECT_EQ(r.end, CaptureStep::kEnd) << r.error;
        EXPECT_EQ(r.rows, 12);
        EXPECT_EQ(r.shown, c.shown);
        EXPECT_EQ(r.info.ticksHz, c.ticksHz);
        // Ticks of 10 MHz and ms of three decimals both hold the span to 1 us.
        EXPECT_NEAR(r.last - r.first, kSpan, 1e-6);
    }
}

TEST(CaptureReader, ChoosesTheBusiestStreamOrTheNamedProcess) {
    const std::string path = CaptureFile("presentmon1.csv");
    EXPECT_EQ(ReadAll(path).rows, 12);  // game.exe's main swap chain, not its second one
    EXPECT_EQ(ReadAll(path).application, "game.exe");
    EXPECT_EQ(ReadAll(path, {"LAUNCHER", 0, 0, false, nullptr}).rows, 4);  // case and .exe aside
    EXPECT_EQ(ReadAll(path, {"game.exe", 0, 0, false, nullptr}).rows, 12);
    const Read none = ReadAll(path, {"nothing", 0, 0, false, nullptr});
    EXPECT_FALSE(none.opened);
    EXPECT_NE(none.error.find("launcher.exe"), std::string::npos) << none.error;
    // Interleaved processes: time goes back down the file, never within one.
    const Read overlay = ReadAll(CaptureFile("interleaved.csv"), {"overlay", 0, 0, true, nullptr});
    EXPECT_EQ(overlay.end, CaptureStep::kEnd) << overlay.error;
    EXPECT_EQ(overlay.rows, 4);
    EXPECT_NEAR(overlay.last - overlay.first, 0.009, 1e-9);
}

// --list's figures: every stream's rows and span, counted in the first pass.
TEST(CaptureReader, TimesEveryStreamWhenAskedTo) {
    const Read r = ReadAll(CaptureFile("presentmon1.csv"), {nullptr, 0, 0, true, nullptr});
    ASSERT_TRUE(r.opened) << r.error;
    ASSERT_EQ(r.info.streamCount, 3);
    EXPECT_EQ(r.info.streams[1].rows, 4u);
    EXPECT_STREQ(r.info.streams[1].application, "launcher.exe");
    EXPECT_NEAR(StreamSeconds(r.info, r.info.streams[0]), kSpan, 1e-9);
    const Read summed = ReadAll(CaptureFile("mangohud_old.csv"), {nullptr, 0, 0, true, nullptr});
    EXPECT_NEAR(StreamSeconds(summed.info, summed.info.streams[0]), kSpan, 1e-9);
    // Not asked: not timed, and said so.
    const CaptureInfo untimed = ReadAll(CaptureFile("presentmon1.csv")).info;
    EXPECT_LT(StreamSeconds(untimed, untimed.streams[0]), 0.0);
}

// The game and machine, from CapFrameX's preamble and Info block and from
// MangoHud's system line.
TEST(CaptureReader, KeepsTheGameAndMachineTheFileNames) {
    const Read csv = ReadAll(CaptureFile("capframex.csv"));
    EXPECT_STREQ(csv.info.game, "re2.exe");
    EXPECT_STREQ(csv.info.cpu, "AMD Ryzen 7 5800X3D");
    EXPECT_STREQ(csv.info.gpu, "NVIDIA GeForce RTX 3080");
    const Read json = ReadAll(CaptureFile("capframex.json"));
    EXPECT_STREQ(json.info.game, "Resident Evil 2");
    EXPECT_STREQ(json.info.gpu, "NVIDIA GeForce RTX 3080");
    EXPECT_EQ(json.application, "re2.exe");
    const Read ocat = ReadAll(CaptureFile("ocat.csv"));  // on its first row only
    EXPECT_STREQ(ocat.info.cpu, "AMD Ryzen 5 5600X");
    EXPECT_STREQ(ocat.info.gpu, "NVIDIA GeForce RTX 2070");
    const Read mango = ReadAll(CaptureFile("mangohud_v1.csv"));
    EXPECT_STREQ(mango.info.cpu, "AMD Ryzen 7 5800X");
    EXPECT_STREQ(mango.info.game, "");
}

TEST(CaptureReader, ReadsTheRunAskedForOfAJsonCapture) {
    const std::string path = CaptureFile("capframex.json");
    const Read first = ReadAll(path);
    EXPECT_EQ(first.info.runs, 2);
    EXPECT_EQ(first.info.run, 1);
    EXPECT_EQ(first.dropped, 1);  // Dropped as a boolean
    const Read second = ReadAll(path, {nullptr, 2, 0, false, nullptr});
    EXPECT_EQ(second.end, CaptureStep::kEnd) << second.error;
    EXPECT_EQ(second.rows, 6);
    EXPECT_NEAR(second.first, 10.0, 1e-12);
    const Read third = ReadAll(path, {nullptr, 3, 0, false, nullptr});
    EXPECT_FALSE(third.opened);
    EXPECT_NE(third.error.find("holds 2 runs; no run 3"), std::string::npos) << third.error;
    EXPECT_FALSE(ReadAll(path, {"other", 0, 0, false, nullptr}).opened);
}

// PresentMon 2.x's latency columns, in both generations' names, and the
// Tempola log's, named by the writer's table.
TEST(CaptureReader, KeepsTheLatenciesARowCarries) {
    const Read now = ReadAll(CaptureFile("presentmon24_qpc.csv"));
    EXPECT_EQ(now.latencies[kInputLatency], 6);  // every other row, NA between
    EXPECT_NEAR(now.latencySum[kInputLatency], 180.0, 1e-9);
    EXPECT_EQ(now.latencies[kClickLatency], 0);  // all NA
    EXPECT_EQ(now.latencies[kPcLatency], 12);
    EXPECT_NEAR(now.latencySum[kPcLatency], 12 * 20.0 + 66.0, 1e-9);
    EXPECT_NEAR(now.latencySum[kDisplayLatency], 12 * 6.0 + 0.5 * 66.0, 1e-9);
    const Read before = ReadAll(CaptureFile("presentmon20_qpc.csv"));
    EXPECT_EQ(before.latencies[kClickLatency], 3);                    // ClickToPhotonLatency
    EXPECT_NEAR(before.latencySum[kDisplayLatency], 11 * 5.0, 1e-9);  // NA when never shown
    const Read log = ReadText(
        "TimeInSeconds,MsBetweenPresents,PacerClockMs,LeftUpdated,LeftMsBetweenUpdates,"
        "LeftTarget,LeftRule,RightUpdated,RightMsBetweenUpdates,RightTarget,RightRule,"
        "MsAllInputToPhotonLatency,MsDisplayLatency\n"
        "0.0,0,100,1,,62.0,fixed,0,,31.0,fixed,,\n"
        "0.1,100,200,1,100,62.0,fixed,0,,31.0,fixed,42.5,12.25\n");
    EXPECT_EQ(log.end, CaptureStep::kEnd) << log.error;
    EXPECT_EQ(log.latencies[kInputLatency], 1);
    EXPECT_EQ(log.latencySum[kDisplayLatency], 12.25);
    // A row that stops before the latency columns has none, and is still a frame.
    const Read cut = ReadText(
        "Application,TimeInMs,MsBetweenPresents,MsUntilDisplayed,MsPCLatency\n"
        "g,0,10,5,20\ng,10,10,5\ng,20,10,5,21\n");
    EXPECT_EQ(cut.end, CaptureStep::kEnd) << cut.error;
    EXPECT_EQ(cut.rows, 3);
    EXPECT_EQ(cut.latencies[kPcLatency], 2);
}

// Ticks with nothing to fit their rate against need it given; given, it
// wins over a fit.
TEST(CaptureReader, AsksForTheTickRateWhereItCannotBeFound) {
    const std::string ticks =
        "Application,SwapChainAddress,CPUStartQPC,DisplayLatency\n"
        "g,1,1000000,5\ng,1,1100000,5\ng,1,1200000,5\n";
    const Read refused = ReadText(ticks);
    EXPECT_FALSE(refused.opened);
    EXPECT_NE(refused.error.find("CPUStartQPC"), std::string::npos) << refused.error;
    EXPECT_NE(refused.error.find("--qpc-hz"), std::string::npos) << refused.error;
    const Read given = ReadText(ticks, {nullptr, 0, 1e6, false, nullptr});
    EXPECT_EQ(given.end, CaptureStep::kEnd) << given.error;
    EXPECT_NEAR(given.last - given.first, 0.2, 1e-12);
    EXPECT_STREQ(given.info.ticksFrom, "--qpc-hz");
    const Read over =
        ReadAll(CaptureFile("presentmon20_qpc.csv"), {nullptr, 0, 2e7, false, nullptr});
    EXPECT_NEAR(over.last - over.first, kSpan / 2, 1e-9);
    // FrameTime runs to the next frame: the fit leaves the last row's out.
    const Read frameTime = ReadText(
        "Application,CPUStartQPC,FrameTime\n"
        "g,0,10\ng,100000,20\ng,300000,10\ng,400000,99\n");
    EXPECT_EQ(frameTime.info.ticksHz, 1e7);
}

// The sampled logs MangoHud writes by default are not frames: refused,
// saying how to record a per-frame one.
TEST(CaptureReader, RefusesSampledMangoHudLogs) {
    for (const char* file : {"mangohud_sampled.csv", "mangohud_sampled_us.csv"}) {
        SCOPED_TRACE(file);
        const Read r = ReadAll(CaptureFile(file));
        EXPECT_FALSE(r.opened);
        EXPECT_NE(r.error.find("sampled every 100 ms"), std::string::npos) << r.error;
        EXPECT_NE(r.error.find("log_interval=0"), std::string::npos) << r.error;
    }
}

// Files that are not captures say what they look like, with the line.
TEST(CaptureReader, SaysWhatANonCaptureLooksLike) {
    struct Case {
        const char* file;
        const char* says;
    } cases[] = {
        {"afterburner.hml", "line 1: an MSI Afterburner hardware-monitor log"},
        {"summary.csv", "line 1: a summary of a run"},
        {"polled.csv", "line 1: polled metrics"},
        {"excerpt.csv", "line 1: rows of numbers with no header line"},
        {"no_time.csv", "line 1: frame times with no time column"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const Read r = ReadAll(CaptureFile(c.file));
        EXPECT_FALSE(r.opened);
        EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
        EXPECT_EQ(r.error.find('\n'), std::string::npos);
    }
}

TEST(CaptureReader, RefusesBadFilesWithTheirLine) {
    const std::string head = kPresentMonHeader;
    const std::string tempola =
        "TimeInSeconds,MsBetweenPresents,LeftUpdated,LeftMsBetweenUpdates,LeftTarget,LeftRule,"
        "RightUpdated,RightMsBetweenUpdates,RightTarget,RightRule\n";
    const std::string json = "{\"Runs\":[{\"CaptureData\":{\"TimeInSeconds\":[0,1,2],";
    struct Case {
        std::string text;
        const char* says;
    } cases[] = {
        {"", "empty file"},
        {"\n\n", "empty file"},
        {head, "no rows after the header (line 1)"},
        {"frame,time\n1,2\n", "looked for Tempola frame log"},
        {head + kRow + std::string(1 << 20, 'x') + "\n", "line 3: longer than 65536"},
        {head + kRow + std::string(1 << 20, 'x'), "line 3: longer than 65536"},
        {head + std::string("app,1,0x1,DXGI,0,0,0,0.5\0,1,1,1\n", 33), "line 2: a NUL byte"},
        {head + kRow + "app,1,0x1,DXGI,0,0,0,0.4,10,10,4\n", "line 3: the time goes back"},
        {head + kRow + "app,1,0x1,DXGI,0,0,0,1e400,10,10,4\n", "line 3: the time is not a number"},
        {head + kRow + "app,1,0x1,DXGI,0,0,0,nan,10,10,4\n", "line 3: the time is not a number"},
        {head + kRow + "app,1,0x1,DXGI,0,0,0,NA,10,10,4\n", "line 3: the time is not a number"},
        {head + kRow + "app,1,0x1,DXGI,0,0,2,0.6,10,10,4\n", "line 3: Dropped is not 0, 1"},
        {head + kRow + "app,1,0x1,DXGI,0,0,0,0.6,10,10,4x\n", "line 3: not a number of ms"},
        {head + kRow + "app,1,0x1\n", "line 3: fewer cells"},
        {head + kRow + "\n" + "app,1,0x1,DXGI,0,0,0,2e12,10,10,4\n", "line 4: the time is out"},
        {tempola + "0.1,1,1,10,62.0,sideways,0,,31.0,fixed\n", "line 2: no such rule"},
        {tempola + "0.1,1,1,10,62.1,fixed,0,,31.0,fixed\n", "line 2: not a target rate"},
        {tempola + "0.1,1,yes,10,62.0,fixed,0,,31.0,fixed\n", "line 2: an Updated cell"},
        {tempola + "0.1,1,true,10,62.0,fixed,0,,31.0,fixed\n", "line 2: an Updated cell"},
        {"{\"Runs\": [", "not valid JSON"},
        {"{\"Info\": {}}", "no Runs array"},
        {"{\"Runs\": []}", "holds 0 runs"},
        {"{\"Runs\": [{\"Info\": 1}]}", "Runs[0] has no CaptureData"},
        {"{\"Runs\": [{\"CaptureData\": {\"Dropped\": [true]}}]}", "has no frame times"},
        {"{\"Runs\": [{\"CaptureData\": {\"frametime\": [1, 2]}}]}", "has no frame times"},
        {json + "\"MsBetweenPresents\":[1,1,1],\"MsUntilDisplayed\":[1,1]}}]}",
         "MsUntilDisplayed holds 2 values"},
        {json + "\"MsBetweenPresents\":[1,1,1],\"MsUntilDisplayed\":[1,{},1]}}]}",
         "MsUntilDisplayed[1] is not a number"},
        {"{\"Runs\":[{\"CaptureData\":{\"TimeInSeconds\":[0,2,1],\"MsBetweenPresents\":[1,1,1]}}]}",
         "frame 3: the time goes back"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        const Read r = ReadText(c.text);
        EXPECT_TRUE(!r.opened || r.end == CaptureStep::kError);
        EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
    }
}

// Quoted cells, blank lines, a byte-order mark, CRLF and a last line
// without its newline are all part of ordinary files; so are leading
// blanks, 14 decimals, NA, booleans and names in any case or with
// underscores.
TEST(CaptureReader, TakesTheOrdinaryVariationsOfCsv) {
    const std::string text = "\xEF\xBB\xBF" + std::string(kPresentMonHeader) +
                             "\"my app\",1,0x1,DXGI,0,0,0,0.5,10,10,4\r\n\r\n"
                             "\"my app\",1,0x1,DXGI,0,0,1,0.51,10,,\r\n"
                             "\"my app\",1,0x1,DXGI,0,0,,0.52,10,10,NA";
    const Read r = ReadText(text);
    EXPECT_EQ(r.end, CaptureStep::kEnd) << r.error;
    EXPECT_EQ(r.rows, 3);
    EXPECT_EQ(r.shown, 1);
    EXPECT_EQ(r.application, "my app");
    const Read ragged = ReadText(
        "application,dropped,time_in_seconds,ms_between_presents,msUntilDisplayed\n"
        "a, FALSE, 0.12345678901234,  1.00000000000000, 4.5\n"
        "a,true,0.22345678901234,100,\n"
        "a,false , 0.32345678901234,100,4.5\n");
    EXPECT_EQ(ragged.end, CaptureStep::kEnd) << ragged.error;
    EXPECT_EQ(ragged.shown, 2);
    EXPECT_EQ(ragged.dropped, 1);
    EXPECT_DOUBLE_EQ(ragged.last - ragged.first, 0.2);
}

// A number out of its column's range (negative, or a 64-bit counter that
// wrapped in the capturing tool) costs its cell: read as not known and
// counted, never the file, the tick rate fitted or the other rows.
TEST(CaptureReader, AWrappedOrNegativeCellCostsOnlyThatCell) {
    const std::string wrapped = "-1844674407370945.5";
    const Read csv = ReadText(
        std::string(kPresentMonHeader) + kRow + "app,1,0x1,DXGI,0,0,0,0.6,10,10,-4\n" +
        "app,1,0x1,DXGI,0,0,0,0.7,10,10," + wrapped + "\n" + "app,1,0x1,DXGI,0,0,0,0.8,10,10,4\n");
    EXPECT_EQ(csv.end, CaptureStep::kEnd) << csv.error;
    EXPECT_EQ(csv.rows, 4);
    EXPECT_EQ(csv.shown, 2);
    ASSERT_EQ(csv.kept.size(), 4u);
    EXPECT_EQ(csv.kept[1].skippedCells, 1);
    EXPECT_EQ(csv.kept[2].skippedCells, 1);
    EXPECT_EQ(csv.kept[3].skippedCells, 0);
    const Read json = ReadText(
        "{\"Runs\":[{\"CaptureData\":{\"TimeInSeconds\":[0,1,2],\"MsBetweenPresents\":[1,1,1],"
        "\"MsUntilDisplayed\":[1,-1,1]}}]}");
    EXPECT_EQ(json.end, CaptureStep::kEnd) << json.error;
    EXPECT_EQ(json.shown, 2);
    // In the column the rate is fitted against, the step it spans is left out.
    std::string ticks = "Application,QPCTime,MsBetweenPresents,MsPCLatency\n";
    for (int i = 0; i < 20; ++i)
        ticks += "g," + std::to_string(1000000 + i * 100000) + "," + (i == 7 ? wrapped : "10") +
                 "," + (i == 9 ? "18446744073709551.0" : "20") + "\n";
    const Read fitted = ReadText(ticks);
    EXPECT_EQ(fitted.end, CaptureStep::kEnd) << fitted.error;
    EXPECT_EQ(fitted.info.ticksHz, 1e7);
    EXPECT_EQ(fitted.latencies[kPcLatency], 19);
    EXPECT_NEAR(fitted.last - fitted.first, 0.19, 1e-12);
}
