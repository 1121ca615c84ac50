#include "lab/sim/sweep.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <new>
#include <thread>
#include <vector>

namespace {

struct Job {
    const SweepSetup* setup;
    SweepRow* rows;
    size_t pointsPerRate;
    size_t pairsPerRate;
    size_t jobs;
    std::atomic<size_t> next;
    std::atomic<size_t> done;
};

SweepRow PointRow(const SweepSetup& sweep, size_t rate, size_t point) {
    const size_t targets = static_cast<size_t>(sweep.targetCount);
    SweepRow row{};
    row.rule = static_cast<PaceRule>(point / targets);
    row.redrawHz = sweep.redrawHz[rate];
    row.target = sweep.targetFrom + static_cast<double>(point % targets) * sweep.targetStep;
    return row;
}

// Two points share a run, one per side: the sides never meet, so each gets
// what it would get alone. An odd point out runs on both sides.
void RunJob(Job& job, size_t index, SimResult& result) {
    const SweepSetup& sweep = *job.setup;
    const size_t rate = index / job.pairsPerRate;
    const size_t first = (index % job.pairsPerRate) * 2;
    const size_t second = first + 1 < job.pointsPerRate ? first + 1 : first;
    SweepRow* rows = job.rows + rate * job.pointsPerRate;
    rows[first] = PointRow(sweep, rate, first);
    rows[second] = PointRow(sweep, rate, second);

    SimSetup setup = sweep.run;
    setup.redraw.redrawHz = sweep.redrawHz[rate];
    // The motion is the sweep's option, the same at every point, on
    // whichever side the point runs.
    const MotionKind motion = SweepMotion(sweep.run);
    setup.side[0] = SideSetup{rows[first].rule, rows[first].target, motion};
    setup.side[1] = SideSetup{rows[second].rule, rows[second].target, motion};
    RunSim(setup, result);

    const bool seen = setup.displayHz > 0.0;
    rows[first].updates = SideFiguresOf(result.cadence.left, rows[first].target);
    rows[second].updates = SideFiguresOf(result.cadence.right, rows[second].target);
    if (seen) {
        rows[first].seen = SideFiguresOf(result.side[0].seen, rows[first].target);
        rows[second].seen = SideFiguresOf(result.side[1].seen, rows[second].target);
        rows[first].animation = AnimationFiguresOf(result.animation.sides[0]);
        rows[second].animation = AnimationFiguresOf(result.animation.sides[1]);
    }
    if (setup.limit.setting.kind != LimitKind::kOff) {
        for (SweepRow* row : {&rows[first], &rows[second]}) {
            row->redrawRate = static_cast<double>(result.frames) / setup.redraw.seconds;
            row->cpuPercent = SimCpuPercent(setup, result);
            row->latencyP50Ms = QuantileSeconds(result.displayLatency, 0.5) * 1e3;
            row->latencyP99Ms = QuantileSeconds(result.displayLatency, 0.99) * 1e3;
        }
    }
}

void Work(Job* job, SimResult* result) {
    for (;;) {
        const size_t index = job->next.fetch_add(1);
        if (index >= job->jobs) {
            return;
        }
        RunJob(*job, index, *result);
        job->done.fetch_add(1);
    }
}

void ShowProgress(std::FILE* out, bool terminal, const Job& job, bool last) {
    const size_t done = job.done.load();
    if (terminal) {
        std::fprintf(out, "\rsweep: %3d%%", static_cast<int>(done * 100 / job.jobs));
        if (last) {
            std::fputc('\n', out);
        }
        std::fflush(out);
    }
}

}  // namespace

SideFigures SideFiguresOf(const IntervalFigures& figures, double target) {
    SideFigures out;
    out.meanRate = MeanRate(figures);
    out.rateErrorPct = (out.meanRate - target) / target * 100.0;
    out.jitterMs = JitterMs(figures);
    out.low1Fps = OnePercentLow(figures);
    out.worstMs = WorstMs(figures);
    return out;
}

MotionKind SweepMotion(const SimSetup& run) {
    return run.side[0].motion != MotionKind::kCpu ? run.side[0].motion : run.side[1].motion;
}

AnimationFigures AnimationFiguresOf(const AnimationError& tracker) {
    return AnimationFigures{AnimationErrorMs(tracker, 0.5), AnimationErrorMs(tracker, 0.99)};
}

size_t SweepRowCount(const SweepSetup& setup) {
    return static_cast<size_t>(setup.redrawCount) * kPaceRuleCount *
           static_cast<size_t>(setup.targetCount);
}

bool RunSweep(const SweepSetup& setup, int threads, SweepRow* rows, std::FILE* progress) {
    Job job;
    job.setup = &setup;
    job.rows = rows;
    job.pointsPerRate = static_cast<size_t>(kPaceRuleCount) * setup.targetCount;
    job.pairsPerRate = (job.pointsPerRate + 1) / 2;
    job.jobs = job.pairsPerRate * static_cast<size_t>(setup.redrawCount);
    job.next = 0;
    job.done = 0;
    if (threads <= 0) {
        threads = static_cast<int>(std::thread::hardware_concurrency());
    }
    if (threads <= 0) {
        threads = 1;
    }
    if (static_cast<size_t>(threads) > job.jobs) {
        threads = static_cast<int>(job.jobs);
    }

    std::vector<std::unique_ptr<SimResult>> results;
    for (int i = 0; i < threads; ++i) {
        results.emplace_back(new (std::nothrow) SimResult);
        if (!results.back()) {
            return false;
        }
    }
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i) {
        workers.emplace_back(Work, &job, results[i].get());
    }
    const bool terminal = progress != nullptr && isatty(fileno(progress)) == 1;
    while (terminal && job.done.load() < job.jobs) {
        ShowProgress(progress, terminal, job, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    if (progress != nullptr) {
        ShowProgress(progress, terminal, job, true);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::fprintf(progress, "sweep: %zu points on %d threads in %.1f s\n", SweepRowCount(setup),
                     threads, took.count());
    }
    return true;
}

void PrintSweepHeader(std::FILE* out, bool seen, bool limited) {
    std::fputs("rule,redraw_hz,target,mean_rate,rate_error_pct,jitter_ms,low1_fps,worst_ms", out);
    if (seen) {
        std::fputs(",seen_mean_rate,seen_jitter_ms,seen_low1_fps,seen_worst_ms", out);
    }
    if (limited) {
        std::fputs(",redraw_rate,cpu_percent", out);
    }
    if (limited && seen) {
        std::fputs(",display_latency_p50_ms,display_latency_p99_ms", out);
    }
    if (seen) {
        std::fputs(",animation_error_p50_ms,animation_error_p99_ms", out);
    }
    std::fputc('\n', out);
}

void PrintSweepRow(std::FILE* out, const SweepRow& row, bool seen, bool limited) {
    const SideFigures& u = row.updates;
    std::fprintf(out, "%s,%g,%g,%.4f,%.4f,%.4f,%.3f,%.3f", PaceRuleName(row.rule), row.redrawHz,
                 row.target, u.meanRate, u.rateErrorPct, u.jitterMs, u.low1Fps, u.worstMs);
    if (seen) {
        const SideFigures& v = row.seen;
        std::fprintf(out, ",%.4f,%.4f,%.3f,%.3f", v.meanRate, v.jitterMs, v.low1Fps, v.worstMs);
    }
    if (limited) {
        std::fprintf(out, ",%.3f,%.2f", row.redrawRate, row.cpuPercent);
    }
    if (limited && seen) {
        std::fprintf(out, ",%.3f,%.3f", row.latencyP50Ms, row.latencyP99Ms);
    }
    if (seen) {
        std::fprintf(out, ",%.3f,%.3f", row.animation.p50Ms, row.animation.p99Ms);
    }
    std::fputc('\n', out);
}
