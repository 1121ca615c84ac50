#include "demo/frame.h"

#include "demo/live_limit.h"
#include "demo/live_motion.h"
#include "demo/pacing.h"
#include "demo/presentations.h"
#include "host/app.h"

double (*processCpuSeconds)() = nullptr;

namespace {

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

// The wait for the display's word the limiter planned before the swap,
// from start (the end of the swap's own wait): looks for the word every
// word.poll, taking the reports as they come, until it has come or
// word.giveUp has passed. Returns how long it waited.
double AwaitWord(const WordWait& word, double start) {
    double now = start;
    while (AwaitingWord(word.redraw) && now < word.giveUp) {
        const double next = now + word.poll;
        HostSleepUntil(next < word.giveUp ? next : word.giveUp);
        TakeDisplayWord();
        now = HostClockSeconds();
    }
    return now - start;
}

}  // namespace

void BeginFrame() {
    SettleBeforeFrame();
    if (liveLimiter.places.beforeFrame)
        frameWait = MakeWait(PlanFrameWait(liveLimiter, HostClockSeconds()));
}

void PaceFrame() {
    NoteFrameStart(frameSeconds);
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
    if (!liveLimiter.places.beforeSwap)
        return;
    // The display-timed limiter plans the swap from the freshest word there
    // is: a frame's drawing is long enough for the previous one's to come.
    if (liveLimiter.places.hearsDisplay)
        TakeDisplayWord();
    const SwapPlan plan = PlanSwapWait(liveLimiter, HostClockSeconds(), frameSeconds, redrawNumber);
    double wait = MakeWait(plan.wait);
    if (plan.word.wait)
        wait += AwaitWord(plan.word, plan.wait.start + wait);
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
