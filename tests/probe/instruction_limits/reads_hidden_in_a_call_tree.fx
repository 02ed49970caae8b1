// Each function reads through the one before twice: 64 reads in a few
// lines, past ps_2_0's 32 once the calls are inlined.
//? error 13 too many texture reads: 64, ps_2_0 takes at most 32
sampler2D S;
float2 step;
float4 f0(float2 t) { return tex2D(S, t); }
float4 f1(float2 t) { return f0(t) + f0(t + step); }
float4 f2(float2 t) { return f1(t) + f1(t + step * 2); }
float4 f3(float2 t) { return f2(t) + f2(t + step * 4); }
float4 f4(float2 t) { return f3(t) + f3(t + step * 8); }
float4 f5(float2 t) { return f4(t) + f4(t + step * 16); }
float4 main(float2 t : TEXCOORD0) : COLOR0 { return f5(t) + f5(t + step * 32); }
technique T { pass P { PixelShader = compile ps_2_0 main(); } }
