// Macros the host program defines (-D) are in effect before the file's
// first line: in conditionals, in code and as the profile; a name without
// a value is 1.
//? define PS_PROFILE=ps_3_0
//? define HALF=0.5
//? define ON
//? expect 0.5 1 0.25 1
#ifndef HALF
#error HALF comes from the host
#endif
#ifndef QUARTER
#define QUARTER 0.25
#endif
float4 vs_main(float4 p : POSITION) : POSITION { return float4(p.xyz, 1); }
float4 ps_main() : COLOR0 { return float4(HALF, ON, QUARTER, 1); }
technique T { pass P { VertexShader = compile vs_3_0 vs_main(); PixelShader = compile PS_PROFILE ps_main(); } }
