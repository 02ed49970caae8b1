// Unlit vertex colour in the out-parameter style (void entry points with
// "out" semantics instead of returned structs), half-precision types, and a
// wireframe technique. Runs on the particle stream (POSITION, COLOR0,
// TEXCOORD0); the matrix rows sit in c4-c7 and the position is transformed
// as mul(M, v).

float4x4 ViewProj : register(c4);
half4 WireColor : register(c8) = { 0.2, 1.0, 0.3, 1.0 };
float Brightness = 1.0;

void vs_unlit(in float3 inPos : POSITION,
              in float4 inColor : COLOR0,
              in float4 inTex : TEXCOORD0,
              out float4 outPos : POSITION,
              out float4 outColor : COLOR0,
              out float2 outTex : TEXCOORD0)
{
    outPos = mul(ViewProj, float4(inPos, 1.0));
    outColor = inColor;
    outTex = inTex.xy;
}

void ps_unlit(in half4 color : COLOR0, in float2 tex : TEXCOORD0, out half4 result : COLOR0)
{
    result = half4(color.rgb * (half)Brightness, color.a);
}

void ps_wire(out half4 result : COLOR0)
{
    result = WireColor;
}

technique Solid
{
    pass P0
    {
        VertexShader = compile vs_3_0 vs_unlit();
        PixelShader = compile ps_3_0 ps_unlit();
        CullMode = None;
        FillMode = Solid;
    }
}

technique Wireframe
{
    pass P0
    {
        VertexShader = compile vs_3_0 vs_unlit();
        PixelShader = compile ps_3_0 ps_wire();
        CullMode = None;
        FillMode = Wireframe;
        ZEnable = false;
    }
}
