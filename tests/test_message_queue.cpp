// The message queue both the SDL2 and the scripted backends run on.
#include <gtest/gtest.h>

#include "platform/message_queue.h"

namespace {

PlatWindow* const kWindow = reinterpret_cast<PlatWindow*>(0x1000);

uint32_t Next(MessageQueue& queue, int64_t now, bool take = true) {
    PlatMessage m = {};
    return QueueNext(queue, &m, take, now, kWindow) ? m.message : kMsgNone;
}

TEST(MessageQueue, PostedThenQuitThenDueTimer) {
    MessageQueue queue;
    QueueStartTimer(queue, 123, 500, 0);
    QueuePostQuit(queue, 4);
    QueuePost(queue, {kWindow, kMsgKeyDown, 'Q', 0});
    EXPECT_EQ(Next(queue, 600, false), kMsgKeyDown);  // a peek takes nothing
    EXPECT_EQ(Next(queue, 600), kMsgKeyDown);
    PlatMessage quit = {};
    ASSERT_TRUE(QueueNext(queue, &quit, true, 600, kWindow));
    EXPECT_EQ(quit.message, kMsgQuit);
    EXPECT_EQ(quit.wParam, 4u);
    PlatMessage timer = {};
    ASSERT_TRUE(QueueNext(queue, &timer, true, 600, kWindow));
    EXPECT_EQ(timer.message, kMsgTimer);
    EXPECT_EQ(timer.wParam, 123u);
    EXPECT_EQ(timer.window, kWindow);
    EXPECT_EQ(Next(queue, 600), kMsgNone);
}

TEST(MessageQueue, TimerKeepsItsGridAndSkipsMissedTicks) {
    MessageQueue queue;
    QueueStartTimer(queue, 1, 500, 100);  // due at 600, 1100, 1600, ...
    EXPECT_EQ(Next(queue, 599), kMsgNone);
    EXPECT_EQ(Next(queue, 650), kMsgTimer);
    EXPECT_EQ(Next(queue, 1099), kMsgNone);  // a late tick does not move the grid
    // A loop busy for three periods gets one message, not a burst of three.
    EXPECT_EQ(Next(queue, 2700), kMsgTimer);
    EXPECT_EQ(Next(queue, 2700), kMsgNone);
    EXPECT_EQ(Next(queue, 3099), kMsgNone);
    EXPECT_EQ(Next(queue, 3100), kMsgTimer);
}

TEST(MessageQueue, TimerNeedsAWindowAndStops) {
    MessageQueue queue;
    QueueStartTimer(queue, 1, 0, 0);  // a zero period still makes progress
    PlatMessage m = {};
    EXPECT_FALSE(QueueNext(queue, &m, true, 10, nullptr));
    EXPECT_EQ(Next(queue, 10), kMsgTimer);
    EXPECT_EQ(Next(queue, 10), kMsgNone);
    QueueStopTimer(queue);
    EXPECT_EQ(Next(queue, 1000), kMsgNone);

    QueuePost(queue, {kWindow, kMsgSize, 0, 0});
    QueuePostQuit(queue, 0);
    QueueDropPosted(queue);  // the window is gone; the quit still ends the loop
    EXPECT_EQ(Next(queue, 1000), kMsgQuit);
}

}  // namespace
