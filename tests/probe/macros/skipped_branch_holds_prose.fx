// Lines a conditional skips may hold any text: a quote left open, an
// #error, a directive that does not read. Only the branch taken counts.
//? entry ps_3_0 main()
//? expect 0.5 0.5 0.5 1
#if 0
This doesn't compile yet: the "fast path
#error needs the "fast path
#define
#include
#endif
#ifdef FAST_PATH
won't be read either
#else
static float3 c = 0.5;
#endif
float4 main() : COLOR0 { return float4(c, 1); }
