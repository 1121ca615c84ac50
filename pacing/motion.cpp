#include "pacing/motion.h"

#include <cmath>

#include "pacing/animation_error.h"

namespace {

// refresh's step, or cpu's where no period is known, and which it was.
double RefreshStep(Motion& motion, double elapsed, double period) {
    if (!(period >= kShortestMotionPeriod && period <= kLongestMotionPeriod)) {
        motion.used = MotionKind::kCpu;
        return elapsed;
    }
    // To the nearest whole period, so that a pose runs neither a refresh
    // behind nor ahead; the carried rest stays within half a period.
    const double total = motion.carried + elapsed;
    const double step = std::floor(total / period + 0.5) * period;
    motion.carried = total - step;
    motion.used = MotionKind::kRefresh;
    return step;
}

void Remember(Motion& motion, double predicted) {
    // A pose that did not move is the one before it on screen.
    const int newest = (motion.next + kMotionPoses - 1) % kMotionPoses;
    if (motion.held > 0 && motion.recentTime[newest] == motion.poseTime) {
        return;
    }
    motion.recentTime[motion.next] = motion.poseTime;
    motion.recentPredicted[motion.next] = predicted;
    motion.recentShown[motion.next] = false;
    motion.next = (motion.next + 1) % kMotionPoses;
    motion.held += motion.held < kMotionPoses ? 1 : 0;
}

}  // namespace

void StartMotion(Motion& motion, MotionKind kind) {
    motion = Motion{};
    motion.kind = kind;
    motion.used = kind;
    motion.shownAt = -1.0;
}

void ChangeMotion(Motion& motion, MotionKind kind) {
    const Motion before = motion;
    StartMotion(motion, kind);
    motion.poseTime = before.poseTime;
    motion.checked = before.checked;
    motion.mispredicted = before.mispredicted;
}

double MotionStepInFull(Motion& motion, double elapsed, const MotionClock& clock) {
    if (!(elapsed > 0.0)) {
        elapsed = 0.0;
    }
    if (motion.clocked && clock.now < motion.lastNow) {
        motion.carried = 0.0;
        motion.aligned = false;
    }
    motion.clocked = true;
    motion.lastNow = clock.now;
    const double predicted = clock.predicted;
    const bool timed =
        motion.kind == MotionKind::kDisplay && predicted >= 0.0 && std::isfinite(predicted);
    double step = 0.0;
    if (timed && motion.aligned && predicted > motion.anchor - kDisplayBackRestart) {
        // A prediction before the pose's own display time moves nothing:
        // that stretch was moved already.
        step = predicted > motion.anchor ? predicted - motion.anchor : 0.0;
        motion.anchor = predicted > motion.anchor ? predicted : motion.anchor;
        motion.carried = 0.0;
        motion.used = MotionKind::kDisplay;
    } else if (timed && motion.shownAt >= 0.0 && predicted > motion.shownAt &&
               predicted - motion.shownAt < kDisplayBackRestart) {
        // Display times from the first time: the pose on screen stands for
        // the display time that showed it, so the first step is the time
        // the display will have passed, not a refresh's worth of the
        // pacer's, which the next pose on screen would show as an error.
        step = predicted - motion.shownAt;
        motion.anchor = predicted;
        motion.aligned = true;
        motion.carried = 0.0;
        motion.used = MotionKind::kDisplay;
    } else {
        step = RefreshStep(motion, elapsed, clock.period);
        if (timed) {
            // The first display time, or one after the display's clock
            // went back: the pose stands for it from here on.
            motion.anchor = predicted;
            motion.aligned = true;
            motion.used = MotionKind::kDisplay;
        } else {
            motion.anchor += step;
        }
    }
    motion.poseTime += step;
    if (step > 0.0) {
        motion.shownAt = -1.0;
    }
    if (timed) {
        Remember(motion, predicted);
    }
    return step;
}

void NoteShownPose(Motion& motion, double poseTime, double display) {
    if (motion.kind != MotionKind::kDisplay || !std::isfinite(display)) {
        return;
    }
    if (poseTime == motion.poseTime && motion.shownAt < 0.0) {
        motion.shownAt = display;
    }
    for (int back = 1; back <= motion.held; ++back) {
        const int i = (motion.next + kMotionPoses - back) % kMotionPoses;
        if (motion.recentTime[i] != poseTime) {
            continue;
        }
        if (motion.recentShown[i]) {
            return;  // shown again: its first showing counted
        }
        motion.recentShown[i] = true;
        ++motion.checked;
        if (std::fabs(display - motion.recentPredicted[i]) > kMispredictTolerance) {
            ++motion.mispredicted;
        }
        if (back == 1 && poseTime == motion.poseTime) {
            motion.anchor = display;
        }
        return;
    }
}

const char* MotionNote(const Motion& motion) {
    if (motion.used == motion.kind) {
        return "";
    }
    if (motion.kind == MotionKind::kDisplay) {
        return motion.used == MotionKind::kRefresh ? "(no display times: refresh)"
                                                   : "(no display times: cpu)";
    }
    return "(no refresh period: cpu)";
}
