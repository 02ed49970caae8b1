// A #if line types its values as C does: a 'u' suffix makes a comparison
// unsigned (-1 > 0u), character constants read escapes, and a comma gives
// its right side. Each test picks one channel's value.
//? entry ps_3_0 main()
//? expect 0.5 0.25 0.75 1
#define NEWLINE '\n'
#if -1 > 0u && !(-1 > 0)
static const float r = 0.5;
#else
static const float r = 0;
#endif
#if NEWLINE == 10 && '\\' == 92 && '\'' == 39 && '\x41' == 'A'
static const float g = 0.25;
#else
static const float g = 0;
#endif
#if (0, 3) == 3
static const float b = 0.75;
#else
static const float b = 0;
#endif
float4 main() : COLOR0 { return float4(r, g, b, 1); }
