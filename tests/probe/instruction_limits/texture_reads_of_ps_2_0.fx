// 32 reads are what ps_2_0 takes: the same read twice is one, and a read
// nobody uses none (an unbound sampler reads opaque black: alpha counts
// the reads drawn, twice 32).
//? entry ps_2_0 main()
//? abs 0.01
//? expect 0.5 0.5 0.5 0.564
sampler2D S;
float2 step;
float4 main(float2 t : TEXCOORD0) : COLOR0
{
    float4 c = 0, unused = 0;
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 8; j++)
            c += tex2D(S, t + float2(i, j) * step) + tex2D(S, t + float2(i, j) * step);
    for (int k = 0; k < 4; k++)
        unused += tex2D(S, t - k * step);
    return c * 0.001 + 0.5;
}
