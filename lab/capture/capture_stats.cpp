#include "lab/capture/capture_stats.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Each latency's mean, p50 and p99 keys, in CaptureLatency's order.
const StatKey kLatencyKeys[kCaptureLatencyCount][3] = {
    {StatKey::kCaptureInputLatencyMeanMs, StatKey::kCaptureInputLatencyP50Ms,
     StatKey::kCaptureInputLatencyP99Ms},
    {StatKey::kCaptureClickLatencyMeanMs, StatKey::kCaptureClickLatencyP50Ms,
     StatKey::kCaptureClickLatencyP99Ms},
    {StatKey::kCapturePcLatencyMeanMs, StatKey::kCapturePcLatencyP50Ms,
     StatKey::kCapturePcLatencyP99Ms},
    {StatKey::kCaptureDisplayLatencyMeanMs, StatKey::kCaptureDisplayLatencyP50Ms,
     StatKey::kCaptureDisplayLatencyP99Ms},
};

void TokenOf(char* to, const char* from) {
    std::snprintf(to, kSystemInfoSize, "%s", from);
    // One token of the line: blanks, '=' and anything unprintable become '_'.
    for (char* c = to; *c != '\0'; ++c) {
        const unsigned char u = static_cast<unsigned char>(*c);
        if (u <= ' ' || u == '=' || u == 0x7F)
            *c = '_';
    }
}

}  // namespace

namespace {

// A row as the computed animation error reads it: where the reader had no
// present time of its own, the row's; where no time to the screen, its
// display time's distance.
CapturePresent PresentOf(const CaptureRow& row) {
    const CaptureMotion& m = row.motion;
    CapturePresent present{};
    present.seconds = std::isnan(m.presentSeconds) ? row.seconds : m.presentSeconds;
    present.displayed = row.hasDisplay;
    present.msUntilDisplayed = !std::isnan(m.untilDisplayedMs)
                                   ? m.untilDisplayedMs
                                   : (row.displaySeconds - present.seconds) * 1000.0;
    present.hasCpuStart = !std::isnan(m.cpuStartSeconds);
    present.cpuStartSeconds = m.cpuStartSeconds;
    present.msInPresentApi = std::isnan(m.inPresentApiMs) ? -1.0 : m.inPresentApiMs;
    return present;
}

}  // namespace

void ResetCaptureFacts(CaptureFacts& facts, const CaptureInfo& info) {
    facts.info = &info;
    for (IntervalFigures& f : facts.latency)
        ResetFigures(f);
    facts.generatedFrames = 0;
    facts.displayedFrames = 0;
    facts.applicationShown = 0;
    facts.firstDisplaySeconds = 0.0;
    facts.lastDisplaySeconds = 0.0;
    ResetFigures(facts.animationError);
    facts.animationErrorRejected = 0;
    facts.skippedCells = 0;
    ResetCaptureAnimation(facts.computed);
    ResetFigures(facts.computedError);
    facts.fileHasError = false;
}

void AddCaptureRow(CaptureFacts& facts, const CaptureRow& row) {
    for (int i = 0; i < kCaptureLatencyCount; ++i) {
        if (row.latencyMs[i] >= 0.0)
            AddInterval(facts.latency[i], row.latencyMs[i] * 0.001);
    }
    facts.generatedFrames += row.generated;
    if (row.hasDisplay) {
        const double at = row.displaySeconds;
        if (facts.displayedFrames == 0 || at < facts.firstDisplaySeconds)
            facts.firstDisplaySeconds = at;
        if (facts.displayedFrames == 0 || at > facts.lastDisplaySeconds)
            facts.lastDisplaySeconds = at;
        ++facts.displayedFrames;
        facts.applicationShown += !row.generated;
    }
    if (!std::isnan(row.motion.errorMs))
        AddInterval(facts.animationError, std::fabs(row.motion.errorMs) * 0.001);
    facts.animationErrorRejected += row.motion.errorRejected;
    facts.fileHasError |= !std::isnan(row.motion.errorMs) || row.motion.errorRejected;
    facts.skippedCells += row.skippedCells;
    const CaptureAnimationStep step = AddCapturePresent(facts.computed, PresentOf(row));
    if (step.hasError)
        AddInterval(facts.computedError, std::fabs(step.errorMs) * 0.001);
}

void AddCaptureAnimationStats(StatRecords& records, const CaptureFacts* facts) {
    if (facts == nullptr)
        return;
    const bool file = facts->fileHasError && !facts->recompute;
    const IntervalFigures& errors = file ? facts->animationError : facts->computedError;
    const uint64_t rejected = file ? facts->animationErrorRejected : facts->computed.rejected;
    if (errors.count > 0) {
        AddStatNumber(records, StatKey::kCaptureAnimationErrorP50Ms,
                      PercentileSeconds(errors, 0.5) * 1000.0);
        AddStatNumber(records, StatKey::kCaptureAnimationErrorP99Ms,
                      PercentileSeconds(errors, 0.99) * 1000.0);
    } else {
        AddStatUnknown(records, StatKey::kCaptureAnimationErrorP50Ms);
        AddStatUnknown(records, StatKey::kCaptureAnimationErrorP99Ms);
    }
    if (errors.count > 0 || rejected > 0)
        AddStatText(records, StatKey::kCaptureAnimationErrorSource, file ? "file" : "computed");
    else
        AddStatUnknown(records, StatKey::kCaptureAnimationErrorSource);
    AddStatCount(records, StatKey::kCaptureAnimationErrorRejected, rejected);
}

double CaptureDisplayedRate(const CaptureFacts& facts) {
    const double span = facts.lastDisplaySeconds - facts.firstDisplaySeconds;
    if (facts.displayedFrames < 2 || !(span > 0.0))
        return 0.0;
    return static_cast<double>(facts.displayedFrames - 1) / span;
}

// The application's frames share the displayed span: counting frames
// rather than the intervals between them would put one frame too many in
// it, which on a short capture reads several percent high.
double CaptureApplicationRate(const CaptureFacts& facts) {
    if (facts.displayedFrames < 2 || facts.applicationShown < 2)
        return 0.0;
    return CaptureDisplayedRate(facts) * static_cast<double>(facts.applicationShown - 1) /
           static_cast<double>(facts.displayedFrames - 1);
}

void AddCaptureStats(StatRecords& records, const CaptureFacts* facts) {
    if (facts == nullptr)
        return;
    const StatKey keys[3] = {StatKey::kCaptureGame, StatKey::kCaptureCpu, StatKey::kCaptureGpu};
    const CaptureInfo& info = *facts->info;
    const char* const values[3] = {info.game, info.cpu, info.gpu};
    char token[kSystemInfoSize];
    for (int i = 0; i < 3; ++i) {
        if (values[i][0] != '\0') {
            TokenOf(token, values[i]);
            AddStatText(records, keys[i], token);
        }
    }
    if (info.ticksHz > 0.0)
        AddStatNumber(records, StatKey::kCaptureTickHz, info.ticksHz);
    for (int i = 0; i < kCaptureLatencyCount; ++i) {
        const IntervalFigures& f = facts->latency[i];
        if (f.count == 0)
            continue;
        AddStatNumber(records, kLatencyKeys[i][0], f.mean * 1000.0);
        AddStatNumber(records, kLatencyKeys[i][1], PercentileSeconds(f, 0.5) * 1000.0);
        AddStatNumber(records, kLatencyKeys[i][2], PercentileSeconds(f, 0.99) * 1000.0);
    }
    // Who made the frames: the rates need two frames shown.
    if (facts->displayedFrames >= 2) {
        AddStatNumber(records, StatKey::kCaptureAppRate, CaptureApplicationRate(*facts));
        AddStatNumber(records, StatKey::kCaptureDisplayedRate, CaptureDisplayedRate(*facts));
    }
    AddStatCount(records, StatKey::kCaptureGeneratedFrames, facts->generatedFrames);
}
