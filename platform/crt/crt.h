// The C run-time services the program relies on with exact behaviour:
// the fixed rand() generator and the millisecond clock.
//
// Implemented: [x] rand / srand with the classic linear congruential generator
//              [x] timeGetTime: milliseconds since boot, truncated to 32 bits
//              [x] a replaceable clock source, for tests and frame capture
// rand lives in namespace crt rather than replacing the C library's symbol:
// SDL or Mesa may call the library's rand(), and that must not shift our
// sequence of camera targets.
#pragma once

#include <cstdint>

namespace crt {

constexpr int RAND_MAX_VALUE = 32767;

// state <- state * 214013 + 2531011 (mod 2^32); returns bits 16..30 (0..32767).
// The state starts at 1, as an unseeded C run-time generator does.
int rand();
void srand(uint32_t seed);

// Milliseconds since the machine started, truncated to 32 bits.
uint32_t timeGetTime();

// Replaces the clock behind timeGetTime (nullptr restores the real one);
// returns the previous source.
using ClockSource = uint32_t (*)();
ClockSource SetClockSource(ClockSource source);

}  // namespace crt
