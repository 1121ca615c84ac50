// How late this machine wakes a thread that sleeps to an absolute time: the
// floor any sleeping limiter stands on. Sleeps of about 2 ms to deadlines on
// CLOCK_MONOTONIC (clock_nanosleep, TIMER_ABSTIME), in blocks alternated
// between the thread's default timer slack and a slack of 1 ns, and the
// lateness of each wake against its deadline: p50, p99 and max in us.
//
//   wake_floor [WAKES]   (600 of each)
#include <sys/prctl.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

long long NowNs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

// One wake, late by how many ns.
long long SleepOnce(long long aheadNs) {
    const long long deadline = NowNs() + aheadNs;
    const timespec at = {static_cast<time_t>(deadline / 1000000000LL),
                         static_cast<long>(deadline % 1000000000LL)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) != 0) {
    }
    return NowNs() - deadline;
}

void Print(const char* name, std::vector<long long>& late) {
    std::sort(late.begin(), late.end());
    const auto at = [&](double q) {
        return static_cast<double>(late[static_cast<size_t>(q * static_cast<double>(late.size() - 1))]) / 1000.0;
    };
    std::printf("%-14s wakes=%zu late_p50_us=%.0f late_p99_us=%.0f late_max_us=%.0f\n", name,
                late.size(), at(0.5), at(0.99), static_cast<double>(late.back()) / 1000.0);
}

}  // namespace

int main(int argc, char** argv) {
    const int wakes = argc > 1 ? std::atoi(argv[1]) : 600;
    if (wakes < 10) {
        std::fprintf(stderr, "usage: wake_floor [WAKES >= 10]\n");
        return 2;
    }
    const unsigned long defaultSlack = static_cast<unsigned long>(prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0));
    std::vector<long long> slack[2];
    const int kBlock = 50;
    for (int done = 0; done < wakes; done += kBlock) {
        for (int kind = 0; kind < 2; ++kind) {
            prctl(PR_SET_TIMERSLACK, kind == 0 ? defaultSlack : 1UL, 0, 0, 0);
            for (int i = 0; i < kBlock && done + i < wakes; ++i)
                slack[kind].push_back(SleepOnce(2000000));
        }
    }
    std::printf("default slack %lu ns; 1 ns slack as the program sets it\n", defaultSlack);
    Print("default_slack", slack[0]);
    Print("slack_1ns", slack[1]);
    return 0;
}
