// The message queue that the SDL2 and scripted backends share: posted
// messages first, then the quit message, then the caption timer when it is
// due, as on the classic desktop. A backend feeds it what the system said and
// the time on its own counter; the Win32 backend uses the system's queue.
#pragma once

#include <cstdint>
#include <deque>

#include "platform/platform.h"

struct MessageQueue {
    std::deque<PlatMessage> posted;
    bool quitPosted = false;
    int quitCode = 0;
    bool timerRunning = false;
    uint32_t timerId = 0;
    int64_t timerPeriod = 0;  // counter ticks
    int64_t timerDue = 0;     // counter value
};

void QueuePost(MessageQueue& queue, const PlatMessage& message);
void QueuePostQuit(MessageQueue& queue, int exitCode);
void QueueStartTimer(MessageQueue& queue, uint32_t id, int64_t periodTicks, int64_t now);
void QueueStopTimer(MessageQueue& queue);
// Drops what was posted for a window that is gone; the quit message stays.
void QueueDropPosted(MessageQueue& queue);

// The next message, taken (take) or only looked at. The timer message goes to
// timerWindow, and only while there is one. A taken timer is due again at its
// next whole period after now: ticks missed while the loop was busy are not
// made up in a burst.
bool QueueNext(MessageQueue& queue, PlatMessage* out, bool take, int64_t now,
               PlatWindow* timerWindow);

// Each backend that keeps its messages here defines its next message, taken
// or only looked at (QueueNext, once what the system said is posted), and
// builds in queued_messages.cpp, which answers platform.h with it.
bool NextQueuedMessage(PlatMessage* out, bool take);
