// A #if line reads character constants as their codes.
//? entry ps_3_0 main()
//? expect 0.5 0.25 0 1
#define MODE 'B'
#if MODE == 'A'
static float2 v = float2(1, 1);
#elif MODE == 66 && 'ab' == 'a' * 256 + 'b'
static float2 v = float2(0.5, 0.25);
#endif
float4 main() : COLOR0 { return float4(v, 0, 1); }
