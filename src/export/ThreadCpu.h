// The CPU time the calling thread has used: what the export reports for each
// of its threads, and what the benchmarks measure a thread by.
#pragma once

#include <ctime>

inline double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
