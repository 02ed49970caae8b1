// A function and a global variable share one set of names: a function
// declared with a global's name is an error at the later declaration,
// also when the function is the entry point of a stage that never reads
// the global.
//? error 9 names both a global variable and a function
float Shift = 0.5;
float4 main() : COLOR0 { return float4(Shift, 0, 0, 1); }
struct VOut { float4 p : POSITION; float4 t : TEXCOORD0; };
VOut Shift(float4 p : POSITION)
{
    VOut o; o.p = p; o.t = p; return o;
}
technique T { pass P { VertexShader = compile vs_3_0 Shift(); PixelShader = compile ps_3_0 main(); } }
