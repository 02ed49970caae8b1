// ps_2_a and ps_2_b have no limit on the number of texture reads (an
// unbound sampler reads opaque black: alpha counts the reads).
//? abs 0.01
//? expect 0.5 0.5 0.5 0.536
sampler2D S;
float2 step;
float4 six_by_six(float2 t : TEXCOORD0) : COLOR0
{
    float4 c = 0;
    for (int i = 0; i < 6; i++)
        for (int j = 0; j < 6; j++)
            c += tex2D(S, t + float2(i, j) * step);
    return c * 0.001 + 0.5;
}
technique T {
    pass Q { PixelShader = compile ps_2_b six_by_six(); }
    pass R { PixelShader = compile ps_2_a six_by_six(); }
}
