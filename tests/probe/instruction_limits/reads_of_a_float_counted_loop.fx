// A loop counted by a float makes its reads once per iteration too: 40
// are past ps_2_0's 32 ...
//? error 13 too many texture reads: 40, ps_2_0 takes at most 32
sampler2D S;
float2 step;
float4 main(float2 t : TEXCOORD0) : COLOR0
{
    float4 c = 0;
    for (float i = 0; i < 40; i++)
        c += tex2D(S, t + i * step);
    return c;
}
technique T { pass P { PixelShader = compile ps_2_0 main(); } }
