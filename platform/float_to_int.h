// A float converted to an int as the x86 instruction Direct3D 9's runtime
// used converts it: truncated toward zero, and 0x80000000 for a value past
// an int's range or NaN (where a C++ cast is undefined). Shared by the
// effect's parameters, its int registers and the knobs.
#pragma once

#include <cstdint>

inline bool FloatFitsInt32(float v) { return v >= -2147483648.0f && v < 2147483648.0f; }

inline int32_t FloatToInt32(float v) { return FloatFitsInt32(v) ? static_cast<int32_t>(v) : INT32_MIN; }
