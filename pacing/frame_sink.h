// Where a run's settled redraws go: one callback and the pointer it was
// given, so that a log, a page's series or anything else can take every
// redraw of a loop without the loop knowing which. A redraw reaches the sink
// once its display cells are decided (or known never to be).
#pragma once

struct FrameSample;
struct FrameDisplay;

struct FrameSink {
    void (*take)(void* user, const FrameSample& sample, const FrameDisplay& display);
    void* user;  // handed back to take, untouched
};

// Takes nothing; a loop given it may skip its rows altogether.
constexpr FrameSink kNoFrameSink = {nullptr, nullptr};

inline bool SinkTakes(const FrameSink& sink) {
    return sink.take != nullptr;
}

inline void SinkFrame(const FrameSink& sink, const FrameSample& sample,
                      const FrameDisplay& display) {
    sink.take(sink.user, sample, display);
}

// Two sinks as one, first then second; either may take nothing. The pair
// is the caller's and must outlive the sink made of it.
struct FrameSinkPair {
    FrameSink first;
    FrameSink second;
};

inline FrameSink BothSinks(FrameSinkPair& pair) {
    if (!SinkTakes(pair.first))
        return pair.second;
    if (!SinkTakes(pair.second))
        return pair.first;
    return FrameSink{[](void* user, const FrameSample& sample, const FrameDisplay& display) {
                         const FrameSinkPair& p = *static_cast<const FrameSinkPair*>(user);
                         SinkFrame(p.first, sample, display);
                         SinkFrame(p.second, sample, display);
                     },
                     &pair};
}
