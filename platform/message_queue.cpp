#include "platform/message_queue.h"

void QueuePost(MessageQueue& queue, const PlatMessage& message) {
    queue.posted.push_back(message);
}

void QueuePostQuit(MessageQueue& queue, int exitCode) {
    queue.quitPosted = true;
    queue.quitCode = exitCode;
}

void QueueStartTimer(MessageQueue& queue, uint32_t id, int64_t periodTicks, int64_t now) {
    queue.timerRunning = true;
    queue.timerId = id;
    // A zero period would make every empty moment a timer message.
    queue.timerPeriod = periodTicks > 0 ? periodTicks : 1;
    queue.timerDue = now + queue.timerPeriod;
}

void QueueStopTimer(MessageQueue& queue) {
    queue.timerRunning = false;
}

void QueueDropPosted(MessageQueue& queue) {
    queue.posted.clear();
}

bool QueueNext(MessageQueue& queue, PlatMessage* out, bool take, int64_t now,
               PlatWindow* timerWindow) {
    if (!queue.posted.empty()) {
        *out = queue.posted.front();
        if (take) {
            queue.posted.pop_front();
        }
        return true;
    }
    if (queue.quitPosted) {
        *out = {nullptr, kMsgQuit, static_cast<uintptr_t>(queue.quitCode), 0};
        if (take) {
            queue.quitPosted = false;
        }
        return true;
    }
    if (queue.timerRunning && timerWindow != nullptr && now >= queue.timerDue) {
        *out = {timerWindow, kMsgTimer, queue.timerId, 0};
        if (take) {
            const int64_t missed = (now - queue.timerDue) / queue.timerPeriod;
            queue.timerDue += (missed + 1) * queue.timerPeriod;
        }
        return true;
    }
    return false;
}
