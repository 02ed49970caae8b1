// `layout` and `uint64_t` are no words of the language: a function's
// parameters and locals may take them as names.
//? expect 0.25 0.5 1 2
float4 Tint = { 0, 0, 1, 2 };
float Half(float layout) { return layout * 0.5; }
float4 PS() : COLOR0
{
    float layout = 0.5;
    float2 uint64_t = float2(Half(layout), layout);
    return float4(uint64_t, 0, 0) + Tint;
}
technique T { pass { PixelShader = compile ps_2_0 PS(); } }
