// A compile statement may stand in brackets as any state's value may.
//? expect 0.5 0.25 1 1
void vs_main(float3 position : POSITION, out float4 clip : POSITION, out float4 t : TEXCOORD0)
{
    clip = float4(position, 1);
    t = float4(0.5, 0.25, 1, 1);
}
float4 ps_main(float4 t : TEXCOORD0, uniform float k) : COLOR0 { return t * k; }
technique T
{
    pass
    {
        VertexShader = (compile vs_2_0 vs_main());
        PixelShader = ((compile ps_2_0 ps_main(1)));
    }
}
