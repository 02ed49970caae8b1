// The CPU time of the calling thread. Tests that bound how long a piece of
// work may take count this, not the wall clock: a machine busy with other
// work stretches wall time without bound, but not the work's own CPU time.
#pragma once

#include <time.h>

namespace testing_support {

inline double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace testing_support
