#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "pacing/frame_log.h"
#include "pacing/present_queue.h"
#include "pacing/side_log.h"
#include "temp_file.h"

namespace {

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::string kHeader =
    "Application,ProcessID,SwapChainAddress,Runtime,SyncInterval,PresentFlags,Dropped,"
    "TimeInSeconds,MsBetweenPresents,MsBetweenDisplayChange,MsUntilDisplayed,PacerClockMs,"
    "LeftUpdated,LeftMsBetweenUpdates,LeftTarget,LeftRule,RightUpdated,RightMsBetweenUpdates,"
    "RightTarget,RightRule,LeftSeenMs,RightSeenMs,MsCPUBusy,MsCPUWait,MsAllInputToPhotonLatency,"
    "MsDisplayLatency,PresentationFlags,MsAnimationError,AnimationTime,LeftMsAnimationError,"
    "RightMsAnimationError,LeftAnimationTime,RightAnimationTime\n";
const CaptureIdentity kWho{"tempola", 4321, 1};

FrameSample Sample(double seconds, bool left, double leftElapsed, bool right, double rightElapsed) {
    return {seconds,
            {left, leftElapsed, 62.5, kRuleAdaptive},
            {right, rightElapsed, 31, kRuleScheduled},
            static_cast<uint32_t>(seconds * 1000.0 + 0.5),
            {}};
}

FrameDisplay Shown(double untilMs, double betweenMs, double leftSeen, double rightSeen) {
    FrameDisplay shown = kUnknownDisplay;
    shown.fate = FrameFate::kShown;
    shown.untilMs = untilMs;
    shown.betweenMs = betweenMs;
    shown.seenMs[0] = leftSeen;
    shown.seenMs[1] = rightSeen;
    return shown;
}

}  // namespace

TEST(FrameLog, HeaderAndRowsWithEmptyCellsForWhatIsNotKnown) {
    TempFile file("frame-log");
    auto log = std::make_unique<FrameLog>();
    char error[200] = "";
    ASSERT_TRUE(OpenFrameLog(*log, file.path.c_str(), kWho, error, sizeof error));
    EXPECT_EQ(Read(file.path), kHeader);  // the header goes out at once
    LogFrame(*log, Sample(10.0, true, 0.016, false, 0), kUnknownDisplay);
    LogFrame(*log, Sample(10.0165, false, 0, true, 0.032), Shown(14.2, 16.6667, -1, 33.3));
    EXPECT_EQ(Read(file.path), kHeader);  // rows wait for a second of samples
    FrameDisplay dropped = kUnknownDisplay;
    dropped.fate = FrameFate::kDropped;
    log->syncInterval = 0;  // V pressed
    LogFrame(*log, Sample(11.0, false, 0, false, 0), dropped);
    const std::string rows =
        kHeader +
        "tempola,4321,0,OpenGL,1,0,,0.0000000,0.0000,,,10000,1,16.0000,62.5,adaptive,0,,31.0,"
        "scheduled,,,,,,,,,,,,,\n"
        "tempola,4321,0,OpenGL,1,0,0,0.0165000,16.5000,16.6667,14.2000,10017,0,,62.5,adaptive,1,"
        "32.0000,31.0,scheduled,,33.3000,,,,,,,,,,,\n"
        "tempola,4321,0,OpenGL,0,0,1,1.0000000,983.5000,,,11000,0,,62.5,adaptive,0,,31.0,"
        "scheduled,,,,,,,,,,,,,\n";
    EXPECT_EQ(Read(file.path), rows);
    EXPECT_TRUE(CloseFrameLog(*log));
    EXPECT_FALSE(FrameLogOpen(*log));
    EXPECT_TRUE(CloseFrameLog(*log));  // a second close does nothing
    EXPECT_EQ(Read(file.path), rows);
}

TEST(FrameLog, AFullBufferGoesOutAsWholeRows) {
    TempFile file("frame-log");
    auto log = std::make_unique<FrameLog>();
    ASSERT_TRUE(OpenFrameLog(*log, file.path.c_str(), kWho, nullptr, 0));
    for (int i = 0; i < 3000; ++i)  // about 300 KB within 0.3 s of samples
        LogFrame(*log, Sample(i * 0.0001, true, 0.0001, true, 0.0001), kUnknownDisplay);
    const std::string early = Read(file.path);
    EXPECT_GT(early.size(), kCsvBuffer / 2);
    EXPECT_EQ(early.back(), '\n');
    EXPECT_TRUE(CloseFrameLog(*log));
    const std::string text = Read(file.path);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3001);
}

TEST(FrameLog, FailedWriteIsReportedOnceAndStopsLogging) {
    auto log = std::make_unique<FrameLog>();
    testing::internal::CaptureStderr();
    ASSERT_TRUE(OpenFrameLog(*log, "/dev/full", kWho, nullptr, 0));
    for (int i = 0; i < 3000; ++i)
        LogFrame(*log, Sample(i * 0.01, true, 0.01, false, 0), kUnknownDisplay);
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
    EXPECT_FALSE(OpenFrameLog(*log, path.c_str(), kWho, error, sizeof error));
    EXPECT_EQ(std::string(error),
              "cannot open frame log '" + path + "': No such file or directory");
    EXPECT_FALSE(FrameLogOpen(*log));
    char small[8];
    EXPECT_FALSE(OpenFrameLog(*log, path.c_str(), kWho, small, sizeof small));
    EXPECT_STREQ(small, "cannot ");
}

// Each side's capture: one row per update, decided by what the display did
// with the redraws that carried its pose.
TEST(SideLog, AnUpdateIsShownDroppedOrUnknown) {
    TempFolder folder("side-log");
    const std::string prefix = folder.path + "/run";
    auto logs = std::make_unique<SideLog[]>(2);
    ASSERT_TRUE(OpenSideLogs(logs.get(), prefix.c_str(), kWho, nullptr, 0));
    FrameDisplay dropped = kUnknownDisplay;
    dropped.fate = FrameFate::kDropped;
    // Left: updates at 0 (shown at once), 0.010 (its redraw dropped, the
    // next one, without an update, shown), 0.030 (replaced at 0.040 before
    // any redraw with it was shown), 0.040 (no word before the end).
    LogSides(logs.get(), Sample(0.000, true, 0.5, false, 0), Shown(15, -1, -1, -1));
    LogSides(logs.get(), Sample(0.010, true, 0.010, false, 0), dropped);
    LogSides(logs.get(), Sample(0.020, false, 0, false, 0), Shown(12, 16, 16, -1));
    LogSides(logs.get(), Sample(0.030, true, 0.020, false, 0), dropped);
    LogSides(logs.get(), Sample(0.040, true, 0.010, true, 0.040), kUnknownDisplay);
    EXPECT_TRUE(CloseSideLogs(logs.get()));
    const std::string head =
        "Application,ProcessID,SwapChainAddress,Runtime,SyncInterval,PresentFlags,Dropped,"
        "TimeInSeconds,MsBetweenPresents,MsBetweenDisplayChange,MsUntilDisplayed,Rule,Target\n";
    EXPECT_EQ(Read(prefix + "-left.csv"),
              head +
                  "tempola,4321,0,OpenGL,1,0,0,0.0000000,500.0000,,15.0000,adaptive,62.5\n"
                  "tempola,4321,0,OpenGL,1,0,0,0.0100000,10.0000,16.0000,22.0000,adaptive,62.5\n"
                  "tempola,4321,0,OpenGL,1,0,1,0.0300000,20.0000,,,adaptive,62.5\n"
                  "tempola,4321,0,OpenGL,1,0,,0.0400000,10.0000,,,adaptive,62.5\n");
    EXPECT_EQ(Read(prefix + "-right.csv"),
              head + "tempola,4321,0,OpenGL,1,0,,0.0400000,40.0000,,,scheduled,31.0\n");
    char error[200] = "";
    EXPECT_FALSE(
        OpenSideLogs(logs.get(), (prefix + ".missing/x").c_str(), kWho, error, sizeof error));
    EXPECT_NE(std::string(error).find("cannot open side log"), std::string::npos);
}

// Redraws leave the queue in their own order whatever order the display's
// word on them comes in; a word on a redraw that is not waiting changes
// nothing.
TEST(PresentQueue, RedrawsLeaveInOrderWithWhatTheDisplayDid) {
    static PresentQueue queue;
    StartPresentQueue(queue, true);
    static IntervalFigures seenLeft, seenRight, shown;
    ResetFigures(seenLeft);
    ResetFigures(seenRight);
    ResetFigures(shown);
    IntervalFigures* seen[2] = {&seenLeft, &seenRight};
    // Redraws 5..8: left updates on 5 and 7, right on 6.
    ASSERT_TRUE(QueueFrame(queue, 5, Sample(1.000, true, 0.02, false, 0)));
    ASSERT_TRUE(QueueFrame(queue, 6, Sample(1.005, false, 0, true, 0.03)));
    ASSERT_TRUE(QueueFrame(queue, 7, Sample(1.010, true, 0.01, false, 0)));
    ASSERT_TRUE(QueueFrame(queue, 8, Sample(1.015, false, 0, false, 0)));
    QueuedFrame frame;
    FrameDisplay display;
    EXPECT_FALSE(TakeSettledFrame(queue, &frame, &display, seen, &shown));
    SettleFrame(queue, 6, FrameFate::kShown, 1.007, 1.030);
    SettleFrame(queue, 4, FrameFate::kShown, 0.9, 0.9);                     // gone before: ignored
    SettleFrame(queue, 9, FrameFate::kShown, 0.9, 0.9);                     // not made yet: ignored
    EXPECT_FALSE(TakeSettledFrame(queue, &frame, &display, seen, &shown));  // 5 still waits
    SettleFrame(queue, 5, FrameFate::kDropped, 1.002, 0.0);
    SettleFrame(queue, 8, FrameFate::kShown, 1.017, 1.045);
    SettleFrame(queue, 8, FrameFate::kDropped, 1.017, 0.0);  // a second word: ignored

    ASSERT_TRUE(TakeSettledFrame(queue, &frame, &display, seen, &shown));
    EXPECT_EQ(frame.sample.seconds, 1.002);  // timed by its swap
    EXPECT_EQ(display.fate, FrameFate::kDropped);
    ASSERT_TRUE(TakeSettledFrame(queue, &frame, &display, seen, &shown));
    EXPECT_EQ(display.fate, FrameFate::kShown);
    EXPECT_NEAR(display.untilMs, 23.0, 1e-9);  // from its swap
    EXPECT_LT(display.betweenMs, 0.0);         // the first redraw on screen
    EXPECT_LT(display.seenMs[0], 0.0);         // each side's first pose opens its count
    EXPECT_FALSE(TakeSettledFrame(queue, &frame, &display, seen, &shown));  // 7 waits
    GiveUpWaiting(queue);
    ASSERT_TRUE(TakeSettledFrame(queue, &frame, &display, seen, &shown));
    EXPECT_EQ(display.fate, FrameFate::kUnknown);
    EXPECT_EQ(frame.sample.seconds, 1.010);  // no swap time: the redraw's own
    ASSERT_TRUE(TakeSettledFrame(queue, &frame, &display, seen, &shown));
    EXPECT_EQ(display.fate, FrameFate::kShown);
    EXPECT_NEAR(display.untilMs, 28.0, 1e-9);
    EXPECT_NEAR(display.betweenMs, 15.0, 1e-9);
    EXPECT_NEAR(display.seenMs[0], 15.0, 1e-9);  // left's update of 7 first on screen
    EXPECT_LT(display.seenMs[1], 0.0);           // right shows the pose of 6 again
    EXPECT_FALSE(TakeSettledFrame(queue, &frame, &display, seen, &shown));
    EXPECT_EQ(seenLeft.count, 1u);
    EXPECT_EQ(seenRight.count, 0u);
    EXPECT_EQ(shown.count, 1u);
}

TEST(PresentQueue, AFullQueueGivesUpItsOldestAndNoDisplayTimesMeansNoWait) {
    static PresentQueue queue;
    StartPresentQueue(queue, true);
    for (int i = 0; i < kPresentQueueSize; ++i)
        ASSERT_TRUE(QueueFrame(queue, 1 + i, Sample(i * 0.001, false, 0, false, 0)));
    EXPECT_FALSE(QueueFrame(queue, 1 + kPresentQueueSize, Sample(1, false, 0, false, 0)));
    QueuedFrame frame;
    FrameDisplay display;
    ASSERT_TRUE(TakeSettledFrame(queue, &frame, &display, nullptr, nullptr));
    EXPECT_EQ(display.fate, FrameFate::kUnknown);
    EXPECT_FALSE(TakeSettledFrame(queue, &frame, &display, nullptr, nullptr));
    EXPECT_TRUE(QueueFrame(queue, 1 + kPresentQueueSize, Sample(1, false, 0, false, 0)));

    StartPresentQueue(queue, false);
    ASSERT_TRUE(QueueFrame(queue, 1, Sample(0, true, 0.1, false, 0)));
    ASSERT_TRUE(TakeSettledFrame(queue, &frame, &display, nullptr, nullptr));
    EXPECT_EQ(display.fate, FrameFate::kUnknown);
    EXPECT_EQ(frame.sample.seconds, 0.0);
}
