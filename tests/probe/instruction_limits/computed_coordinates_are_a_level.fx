// A read at computed coordinates (here a swizzle of the input) is already
// the second level: three reads after it are past ps_2_0, also when the
// chain runs through a helper function.
//? error 14 texture reads dependent 5 levels deep, ps_2_0 takes at most 4
sampler2D S;
float4 hop(float4 c) { return tex2D(S, c.xy * 0.5 + 0.25); }
float4 main(float4 t : TEXCOORD0) : COLOR0
{
    float4 c = tex2D(S, t.yx);
    return hop(hop(hop(c)));
}
technique T {
    pass P {
        PixelShader = compile ps_2_0 main();
    }
}
