// How far one side's pose moves at each of its updates, by its MotionKind.
// The rules still decide when a side updates; the pacer's elapsed time moves
// the rotor, and a caller whose motion gives another step moves it by the
// difference.
//
// refresh counts the time passed in whole refresh periods and carries the
// rest to the next update; without a period it moves as cpu. display moves
// the pose by where this redraw is expected on screen, less the display
// time of the side's previous pose: its prediction until the display says
// when it was shown, so that no time is counted twice. Without display
// times it moves as refresh, keeping its place on the display's clock, so
// that when they come back the pose goes on without a jump. A clock that
// goes back starts the carried time afresh.
#pragma once

#include <cstdint>

#include "pacing/motion_option.h"

// A prediction further than this from the display time a pose got was wrong.
constexpr double kMispredictTolerance = 0.0005;  // seconds
// Refresh periods a count is made in; any other is taken as none.
constexpr double kShortestMotionPeriod = 0.0001;
constexpr double kLongestMotionPeriod = 1.0;
// The latest poses whose predictions wait for the display's word.
constexpr int kMotionPoses = 8;

// What the caller knows at an update. now is on the clock elapsed times
// come from; predicted on the display's clock, which the motion keeps apart.
struct MotionClock {
    double now;
    double period;     // MotionPeriod's; 0: none known
    double predicted;  // where this redraw will be shown; negative: no display times
};

struct Motion {
    MotionKind kind;
    MotionKind used;  // what moved the latest pose: kind, or the one it fell back to
    double poseTime;  // the sum of the steps: the time the rotor was moved for
    double carried;   // refresh: time passed and not yet moved
    bool clocked;     // lastNow holds
    double lastNow;
    // display: the display time the pose stands for, its prediction until
    // the word comes; only while aligned.
    bool aligned;
    double anchor;
    // When the display first showed the pose as it stands; negative: not
    // yet, or it has moved since.
    double shownAt;
    // The latest poses with a prediction, newest at next - 1.
    double recentTime[kMotionPoses];
    double recentPredicted[kMotionPoses];
    bool recentShown[kMotionPoses];
    int32_t next;
    int32_t held;
    uint64_t checked;       // poses shown that had a prediction
    uint64_t mispredicted;  // of those, shown off their prediction
};

void StartMotion(Motion& motion, MotionKind kind);
// The key's change: the pose keeps its time; the rest starts afresh.
void ChangeMotion(Motion& motion, MotionKind kind);

// The period refresh counts in: the cadence the display shows where it is
// known (0: not), else the one the display announces.
inline double MotionPeriod(double cadence, double announced) {
    return cadence > 0.0 ? cadence : announced;
}

// MotionStep past its shortcut: every kind in full.
double MotionStepInFull(Motion& motion, double elapsed, const MotionClock& clock);

// One update of the side, elapsed after its last as the pacer saw it: how
// far it moves, in seconds of animation. cpu gives elapsed itself.
inline double MotionStep(Motion& motion, double elapsed, const MotionClock& clock) {
    if (motion.kind == MotionKind::kCpu) {
        motion.poseTime += elapsed;
        return elapsed;
    }
    return MotionStepInFull(motion, elapsed, clock);
}

// A redraw holding the side's pose of poseTime was shown at display (its
// first showing or a later one): confirms that pose's display time and
// counts a prediction that missed it.
void NoteShownPose(Motion& motion, double poseTime, double display);

// Beside the choice: "" when it moves as chosen, else what it fell back to,
// such as "(no display times: refresh)" or "(no refresh period: cpu)".
const char* MotionNote(const Motion& motion);
