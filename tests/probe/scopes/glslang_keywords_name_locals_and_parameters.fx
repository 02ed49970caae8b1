// `layout`, `uint64_t`, `SubpassInput`, `SubpassInputMS` and `TextureBuffer`
// are no words of Direct3D 9's language: a function's parameters and locals
// may take them as names.
//? expect 0.25 0.5 1 2
float4 Tint = { 0, 0, 0.5, 2 };
float Half(float layout) { return layout * 0.5; }
float Sum(float SubpassInput, float TextureBuffer) { return SubpassInput + TextureBuffer; }
float4 PS() : COLOR0
{
    float layout = 0.5;
    float SubpassInputMS = Sum(0.25, 0.25);
    float2 uint64_t = float2(Half(layout), layout);
    return float4(uint64_t, SubpassInputMS, 0) + Tint;
}
technique T { pass { PixelShader = compile ps_2_0 PS(); } }
