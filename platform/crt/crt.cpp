// The fixed C run-time generator and the millisecond clock.
#include "platform/crt/crt.h"

#include <ctime>

namespace crt {
namespace {

uint32_t g_randState = 1;  // an unseeded generator starts at 1

// Milliseconds since boot: differs from run to run, which is all the
// particle layout needs from it.
uint32_t BootClock() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

ClockSource g_clock = BootClock;

}  // namespace

int rand() {
    g_randState = g_randState * 214013u + 2531011u;
    return static_cast<int>((g_randState >> 16) & 0x7FFFu);
}

void srand(uint32_t seed) { g_randState = seed; }

uint32_t timeGetTime() { return g_clock(); }

ClockSource SetClockSource(ClockSource source) {
    ClockSource previous = g_clock;
    g_clock = source ? source : BootClock;
    return previous;
}

}  // namespace crt
