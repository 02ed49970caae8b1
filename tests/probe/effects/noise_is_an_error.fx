// noise() belongs to texture shaders: a pixel shader that calls it is an
// error at the call; a function only a texture's annotation names may.
//? error 9 'noise' is an intrinsic of texture shaders
float4 fill(float3 p : POSITION) : COLOR0 { return noise(p); }
texture NoiseMap < string function = "fill"; int width = 8; int height = 8; >;
float4 wobble(float2 uv)
{
    return float4(uv, 0, 1) +
        noise(uv);
}
float4 ps_main(float2 uv : TEXCOORD0) : COLOR0 { return wobble(uv); }
technique T { pass { PixelShader = compile ps_2_0 ps_main(); } }
