// #pragma pack_matrix takes its argument after macro expansion: a host
// macro or a #define may name the majority.
//? entry ps_3_0 main()
//? ps c0 = 1 2 0 0 3 4 0 0
//? expect 1 2 0 0
#define MAJORITY row_major
#pragma pack_matrix(MAJORITY)
float2x2 m : register(c0);
float4 main() : COLOR0 { return float4(m[0], 0, 0); }
