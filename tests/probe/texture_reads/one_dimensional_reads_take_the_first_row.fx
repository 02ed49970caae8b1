// A 1D texture is a 2D one a texel high: every tex1D form reads the first
// row of the 2D texture its sampler holds (the missing image's 8 x 8
// checkerboard: texel 0 magenta, texel 1 black, point sampled).
//? entry ps_2_0 main()
//? warning 8 cannot open texture 'not_here.png'
//? abs 0.01
//? expect 1 0 1 0
texture Row < string ResourceName = "not_here.png"; string ResourceType = "1D"; >;
sampler1D S = sampler_state { Texture = <Row>; };
float4 Read(sampler1D s, float u) { return tex1D(s, u); }
float4 main() : COLOR0
{
    const float a = 0.5 / 8, b = 1.5 / 8;
    float4 plain = tex1D(S, a) - tex1D(S, b);
    float4 projected = tex1Dproj(S, float4(b * 2, 0, 0, 2));
    float4 biased = tex1Dbias(S, float4(a, 0.9, 0, 1));
    return float4(plain.r, projected.r, biased.b * Read(S, a).b, projected.b);
}
