// A compile statement is a call: the uniform parameters it leaves out take
// their default values, with some arguments given or none at all.
//? expect 1 3 0.5 0.25
void vs_main(float4 p : POSITION, out float4 clip : POSITION, out float t : TEXCOORD0,
             uniform float k = 0.25)
{
    clip = p;
    t = k;
}
float4 ps_main(float t : TEXCOORD0, uniform float a, uniform float b = 3,
               uniform float2 c = float2(0.5, 1)) : COLOR0
{
    return float4(a, b, c.x, t);
}
technique T
{
    pass
    {
        VertexShader = compile vs_2_0 vs_main();
        PixelShader = compile ps_2_0 ps_main(1);
    }
}
