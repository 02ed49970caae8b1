// A global given to a compile statement is the uniform parameter's value,
// though no function names it, and though it is declared below the function.
//? expect 0.25 0.5 0 1
float Scale = 0.25;
float4 ps_main(uniform float k, uniform float2 o) : COLOR0 { return float4(k, o.x, 0, 1); }
float2 Offset = { 0.5, 7 };
technique T
{
    pass
    {
        PixelShader = compile ps_2_0 ps_main(Scale, Offset);
    }
}
