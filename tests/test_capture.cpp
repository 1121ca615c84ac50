#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "lab/capture_reader.h"
#include "temp_file.h"

namespace {

std::string DataFile(const char* name) {
    return std::string(TEMPOLA_SOURCE_DIR) + "/tests/data/capture/" + name;
}

struct Read {
    bool opened;
    CaptureStep end;
    int rows;
    int shown;
    double first;
    double last;
    std::string error;
    std::string application;
};

Read ReadAll(const std::string& path, const char* process = nullptr) {
    auto reader = std::make_unique<CaptureReader>();
    Read r{};
    char error[600] = "";
    r.opened = OpenCapture(*reader, path.c_str(), process, error, sizeof error, nullptr);
    CaptureRow row{};
    if (r.opened) {
        r.application = reader->chosen.application;
        while ((r.end = NextCaptureRow(*reader, &row, error, sizeof error)) == CaptureStep::kRow) {
            r.first = r.rows == 0 ? row.seconds : r.first;
            r.last = row.seconds;
            r.shown += row.hasDisplay;
            ++r.rows;
        }
        CloseCapture(*reader);
    }
    r.error = error;
    return r;
}

Read ReadText(const std::string& text) {
    TempFile file("capture");
    std::ofstream(file.path, std::ios::binary) << text;
    return ReadAll(file.path);
}

const char kPresentMonHeader[] =
    "Application,ProcessID,SwapChainAddress,Runtime,SyncInterval,PresentFlags,Dropped,"
    "TimeInSeconds,MsBetweenPresents,MsBetweenDisplayChange,MsUntilDisplayed\n";
const char kRow[] = "app,1,0x1,DXGI,0,0,0,0.5,10,10,4\n";

}  // namespace

// Each format's documented header, hand-written, read to its rows: twelve
// redraws 10 ms apart (the first 10.5 ms before the second).
TEST(CaptureReader, TellsEachFormatAndReadsItsTimes) {
    struct Case {
        const char* file;
        CaptureFormat format;
        int shown;
    } cases[] = {
        {"presentmon1.csv", CaptureFormat::kPresentMon1, 12},
        {"presentmon2.csv", CaptureFormat::kPresentMon2, 11},  // one DisplayedTime is NA
        {"presentmon24.csv", CaptureFormat::kPresentMon24, 12},
        {"mangohud_v1.csv", CaptureFormat::kMangoHud, 0},
        {"mangohud_old.csv", CaptureFormat::kMangoHud, 0},
        {"tempola_old.csv", CaptureFormat::kTempolaOld, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        auto reader = std::make_unique<CaptureReader>();
        char error[600] = "";
        ASSERT_TRUE(
            OpenCapture(*reader, DataFile(c.file).c_str(), nullptr, error, sizeof error, nullptr))
            << error;
        EXPECT_EQ(reader->format, c.format);
        CloseCapture(*reader);
        const Read r = ReadAll(DataFile(c.file));
        EXPECT_EQ(r.end, CaptureStep::kEnd) << r.error;
        EXPECT_EQ(r.rows, 12);
        EXPECT_EQ(r.shown, c.shown);
        EXPECT_NEAR(r.last - r.first, 0.1105, 1e-9);
    }
}

TEST(CaptureReader, ChoosesTheBusiestStreamOrTheNamedProcess) {
    const std::string path = DataFile("presentmon1.csv");
    EXPECT_EQ(ReadAll(path).rows, 12);  // game.exe's main swap chain, not its second one
    EXPECT_EQ(ReadAll(path).application, "game.exe");
    EXPECT_EQ(ReadAll(path, "LAUNCHER").rows, 4);  // case and .exe aside
    EXPECT_EQ(ReadAll(path, "game.exe").rows, 12);
    const Read none = ReadAll(path, "nothing");
    EXPECT_FALSE(none.opened);
    EXPECT_NE(none.error.find("launcher.exe"), std::string::npos) << none.error;
}

TEST(CaptureReader, RefusesBadFilesWithTheirLine) {
    const std::string head = kPresentMonHeader;
    const std::string tempola =
        "TimeInSeconds,MsBetweenPresents,LeftUpdated,LeftMsBetweenUpdates,LeftTarget,LeftRule,"
        "RightUpdated,RightMsBetweenUpdates,RightTarget,RightRule\n";
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
        {head + kRow + "app,1,0x1,DXGI,0,0,2,0.6,10,10,4\n", "line 3: Dropped is not 0, 1"},
        {head + kRow + "app,1,0x1,DXGI,0,0,0,0.6,10,10,4x\n", "line 3: not a number of ms"},
        {head + kRow + "app,1,0x1\n", "line 3: fewer cells"},
        {head + kRow + "\n" + "app,1,0x1,DXGI,0,0,0,2e12,10,10,4\n", "line 4: the time is out"},
        {tempola + "0.1,1,1,10,62.0,sideways,0,,31.0,fixed\n", "line 2: no such rule"},
        {tempola + "0.1,1,1,10,62.1,fixed,0,,31.0,fixed\n", "line 2: not a target rate"},
        {tempola + "0.1,1,yes,10,62.0,fixed,0,,31.0,fixed\n", "line 2: an Updated cell"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        const Read r = ReadText(c.text);
        EXPECT_TRUE(!r.opened || r.end == CaptureStep::kError);
        EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
    }
}

// Quoted cells, blank lines, a byte-order mark, CRLF and a last line
// without its newline are all part of ordinary files.
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
}
