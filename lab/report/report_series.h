// A run's interval series, kept for drawing in fixed memory whatever the
// run's length: thinned into buckets that each keep their shortest and
// longest interval (so no spike is thinned away), with the stutters counted
// and the first of them kept to be marked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "pacing/frame_log.h"
#include "pacing/frame_sink.h"
#include "pacing/stats_line.h"
#include "pacing/stutter.h"

// Each bucket draws as two points, so a series is at most twice this many.
constexpr int kDrawBuckets = 2048;
constexpr int kMostStutterMarks = 2000;
// Frames a generator made, marked on the redraw chart: the first this many.
constexpr int kMostGeneratedMarks = 2000;

struct ThinBucket {
    double minAt;  // seconds into the run
    double min;    // ms
    double maxAt;
    double max;
};

struct ThinnedSeries {
    ThinBucket bucket[kDrawBuckets];
    int count;        // buckets in use; the last may be filling
    uint64_t width;   // intervals a full bucket holds: doubles when all are full
    uint64_t inLast;  // intervals in the last bucket
    uint64_t total;
};

void ResetThinned(ThinnedSeries& series);
void AddThinned(ThinnedSeries& series, double at, double ms);

struct StutterMark {
    double at;
    double ms;
};

struct DrawnSeries {
    ThinnedSeries thin;
    StutterCounter stutters;
    StutterMark recent[kStutterWindow];  // the intervals still to be judged
    StutterMark mark[kMostStutterMarks];
    int marks;
    // The redraw series only: frames the application did not make, at their
    // time and their interval from the frame before (whoever made it).
    StutterMark generated[kMostGeneratedMarks];
    int generatedMarks;
    uint64_t generatedTotal;
};

void ResetDrawn(DrawnSeries& series);
void AddDrawn(DrawnSeries& series, double at, double ms);
// Judges the last intervals; call once at the end.
void FinishDrawn(DrawnSeries& series);

enum DrawnKind {
    kDrawnRedraw,
    kDrawnLeft,
    kDrawnRight,
    kDrawnLeftSeen,
    kDrawnRightSeen,
    kDrawnKinds
};

// Fills the five series from the redraws of a run, in order, as the frame
// log sees them: each redraw's interval, each side's update intervals (from
// its second update, as the figures count them) and seen intervals. A
// generated frame (FrameSample::generated) is no redraw of the program's:
// it is marked on the redraw series instead.
struct SeriesCollector {
    DrawnSeries* series;  // kDrawnKinds of them
    bool started;
    double first;
    double previous;
    bool sideStarted[2];
    double previousAny;  // the frame before, a generated one too
    // Each side's animation error (signed, ms) at the redraws that showed
    // a new pose of it; null: not kept.
    ThinnedSeries* animation;
};

void StartCollecting(SeriesCollector& collector, DrawnSeries* series);
// The two sides' animation error too, into animation[0] and [1].
void CollectAnimation(SeriesCollector& collector, ThinnedSeries* animation);
void CollectFrame(SeriesCollector& collector, const FrameSample& sample,
                  const FrameDisplay& display);
// Judges the last intervals of every series.
void FinishCollecting(SeriesCollector& collector);

// The collector as a run's sink: CollectFrame for every settled redraw.
FrameSink SeriesSink(SeriesCollector& collector);

// Stutters of the series kept; the seen ones where there was a display.
StutterCounts CountedStutters(const DrawnSeries* series, bool seenKnown);
