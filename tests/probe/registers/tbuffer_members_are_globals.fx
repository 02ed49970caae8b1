// A tbuffer's members are globals in the c registers, as a cbuffer's are.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? ps c3 = 5 6 7 8
//? expect 1 2 7 8
tbuffer Lights : register(t0) { float2 a; float4 b : packoffset(c3); }
float4 main() : COLOR0 { return float4(a, b.zw); }
