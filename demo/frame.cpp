#include "demo/frame.h"

#include "demo/live_limit.h"
#include "demo/pacing.h"
#include "demo/presentations.h"
#include "host/app.h"

double (*processCpuSeconds)() = nullptr;

namespace {

// How often a wait for the display's word looks for it.
constexpr double kWordPoll = 0.0005;

double frameWait = 0.0;       // the wait before this frame, seconds
double earliestPress = -1.0;  // since the latest frame started; negative: none

// Read once a second, never per frame: the reading is a system call.
double cpuWallAt = -1.0;
double cpuAt = 0.0;
double cpuPercent = -1.0;

void SampleCpu(double now) {
    if (processCpuSeconds == nullptr)
        return;
    const bool started = cpuWallAt >= 0.0 && now >= cpuWallAt;  // a clock gone back starts over
    if (started && now - cpuWallAt < 1.0)
        return;
    const double cpu = processCpuSeconds();
    if (started)
        cpuPercent = (cpu - cpuAt) / (now - cpuWallAt) * 100.0;
    cpuWallAt = now;
    cpuAt = cpu;
}

// A swap made before the compositor has taken the previous one replaces it:
// that one is dropped. So the display-timed limiter's swap waits for the
// display's word on the previous redraw, for a cadence at most, taking the
// reports as they come. Returns how long it waited.
double AwaitPreviousRedraw() {
    const double start = HostClockSeconds();
    const double cadence = DisplayCadence(liveLimiter.display);
    const double giveUp = start + (cadence > 0.0 ? cadence : 0.0);
    double now = start;
    while (AwaitingWord(redrawNumber - 1) && now < giveUp) {
        HostSleepUntil(now + kWordPoll);
        TakeReports();
        now = HostClockSeconds();
    }
    return now - start;
}

}  // namespace

void BeginFrame() {
    TakePresentations();
    frameWait = HoldRedraw(WaitPlacement::kFrame);
}

void PaceFrame() {
    UpdateFrameTiming();
    FrameSample sample = CurrentFrameSample(frameSeconds);
    sample.work.start = frameSeconds;
    sample.work.waitMs = frameWait * 1000.0;
    sample.work.input = earliestPress;
    earliestPress = -1.0;
    frameWait = 0.0;
    RecordFrame(liveCadence, sample);
    QueueRedraw(sample);
    SampleCpu(frameSeconds);
}

void EndFrame() {
    // The display-timed limiter plans the swap from the freshest word there
    // is: a frame's drawing is long enough for the previous one's to come.
    double wait = 0.0;
    if (liveLimiter.setting.kind == LimitKind::kDisplay)
        TakeReports();
    wait += HoldRedraw(WaitPlacement::kSwap);
    if (liveLimiter.setting.kind == LimitKind::kDisplay) {
        TakeReports();
        wait += AwaitPreviousRedraw();
    }
    if (wait <= 0.0)
        return;
    FrameSample* queued = QueuedRedraw(redrawNumber);
    if (queued != nullptr)
        queued->work.waitMs += wait * 1000.0;
}

void NoteKeyPress() {
    if (earliestPress < 0.0)
        earliestPress = HostClockSeconds();
}

double LiveCpuPercent() {
    return cpuPercent;
}
