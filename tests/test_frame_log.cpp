#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "pacing/frame_log.h"
#include "temp_file.h"

namespace {

std::string Read(const TempFile& file) {
    std::ifstream in(file.path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::string kHeader =
    "TimeInSeconds,MsBetweenPresents,LeftUpdated,LeftMsBetweenUpdates,LeftTarget,LeftRule,"
    "RightUpdated,RightMsBetweenUpdates,RightTarget,RightRule";

FrameSample Sample(double seconds, bool left, double leftElapsed, bool right, double rightElapsed) {
    return {seconds,
            {left, leftElapsed, 62.5, kRuleAdaptive},
            {right, rightElapsed, 31, kRuleScheduled}};
}

}  // namespace

TEST(FrameLog, HeaderAndRowsWithEmptyCellsForSidesThatWaited) {
    TempFile file("frame-log");
    auto log = std::make_unique<FrameLog>();
    char error[200] = "";
    ASSERT_TRUE(OpenFrameLog(*log, file.path.c_str(), false, error, sizeof error));
    EXPECT_EQ(Read(file), kHeader + "\n");  // the header goes out at once
    LogFrame(*log, Sample(10.0, true, 0.016, false, 0), nullptr);
    LogFrame(*log, Sample(10.0165, false, 0, true, 0.032), nullptr);
    EXPECT_EQ(Read(file), kHeader + "\n");  // rows wait for a second of samples
    LogFrame(*log, Sample(11.0, false, 0, false, 0), nullptr);
    const std::string rows = kHeader + "\n" +
                             "0.0000000,0.0000,1,16.0000,62.5,adaptive,0,,31.0,scheduled\n"
                             "0.0165000,16.5000,0,,62.5,adaptive,1,32.0000,31.0,scheduled\n"
                             "1.0000000,983.5000,0,,62.5,adaptive,0,,31.0,scheduled\n";
    EXPECT_EQ(Read(file), rows);
    LogFrame(*log, Sample(11.5, true, 0.5, true, 0.5), nullptr);
    EXPECT_EQ(Read(file), rows);
    EXPECT_TRUE(CloseFrameLog(*log));
    EXPECT_EQ(Read(file),
              rows + "1.5000000,500.0000,1,500.0000,62.5,adaptive,1,500.0000,31.0,scheduled\n");
    EXPECT_FALSE(FrameLogOpen(*log));
    EXPECT_TRUE(CloseFrameLog(*log));  // a second close does nothing
}

TEST(FrameLog, AFullBufferGoesOutAsWholeRows) {
    TempFile file("frame-log");
    auto log = std::make_unique<FrameLog>();
    ASSERT_TRUE(OpenFrameLog(*log, file.path.c_str(), false, nullptr, 0));
    for (int i = 0; i < 3000; ++i)  // about 170 KB within 0.3 s of samples
        LogFrame(*log, Sample(i * 0.0001, true, 0.0001, true, 0.0001), nullptr);
    const std::string early = Read(file);
    EXPECT_GT(early.size(), kFrameLogBuffer / 2);
    EXPECT_EQ(early.back(), '\n');
    EXPECT_TRUE(CloseFrameLog(*log));
    const std::string text = Read(file);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3001);
}

TEST(FrameLog, FailedWriteIsReportedOnceAndStopsLogging) {
    auto log = std::make_unique<FrameLog>();
    testing::internal::CaptureStderr();
    ASSERT_TRUE(OpenFrameLog(*log, "/dev/full", false, nullptr, 0));
    for (int i = 0; i < 3000; ++i)
        LogFrame(*log, Sample(i * 0.01, true, 0.01, false, 0), nullptr);
    EXPECT_FALSE(FlushFrameLog(*log));
    EXPECT_TRUE(FrameLogFailed(*log));
    EXPECT_FALSE(CloseFrameLog(*log));
    EXPECT_FALSE(CloseFrameLog(*log));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "frame log: write failed: No space left on device; logging stopped\n");
}

TEST(FrameLog, PathInAMissingFolderIsRefused) {
    TempFile file("frame-log");
    const std::string path = file.path + ".missing/frame.csv";
    auto log = std::make_unique<FrameLog>();
    char error[200] = "";
    EXPECT_FALSE(OpenFrameLog(*log, path.c_str(), false, error, sizeof error));
    EXPECT_EQ(std::string(error),
              "cannot open frame log '" + path + "': No such file or directory");
    EXPECT_FALSE(FrameLogOpen(*log));
    char small[8];
    EXPECT_FALSE(OpenFrameLog(*log, path.c_str(), false, small, sizeof small));
    EXPECT_STREQ(small, "cannot ");
}
