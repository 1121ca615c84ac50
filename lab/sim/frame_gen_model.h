// What a modelled run's frame generator is asked to be, and what it did
// (frame_gen.h models it).
#pragma once

#include <cstdint>

#include "pacing/figures.h"

constexpr int kFewestGeneratedSteps = 2;
constexpr int kMostGeneratedSteps = 4;

struct FrameGenModel {
    int steps;          // N: frames shown per application frame; 0 for none
    double generateMs;  // the generator's own time per application frame
};

// What the generator did, beside the run's own figures.
struct FrameGenFigures {
    uint64_t generated;         // frames it made
    uint64_t shownGenerated;    // and of them, frames a refresh showed
    uint64_t shownApplication;  // the application's frames a refresh showed
    uint64_t droppedApplication;
    IntervalFigures held;       // each application frame's hold: made to handed on
    IntervalFigures displayed;  // between frames shown, whoever made them
};
