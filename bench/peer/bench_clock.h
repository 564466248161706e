// Clocks for timing processing calls on the calling thread.
#pragma once

#include <cstdint>
#include <ctime>

namespace peer {

// CPU time of the calling thread: time spent descheduled while other developers' jobs
// run on the same cores does not count, so it is the figure that compares plug-ins.
inline std::int64_t threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Wall time: what a host's audio deadline sees, preemption included.
inline std::int64_t wallNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

} // namespace peer
