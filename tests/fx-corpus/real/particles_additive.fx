// Camera-facing particle sprites drawn additively, written against this
// program's vertex stream and constant block:
//   c0.x time; c1 the camera's side axis, c2 its up axis (w = 1);
//   c4-c7 the view-projection matrix, one row per register (mul(M, v)).
// Each vertex carries its particle's centre in POSITION, a D3DCOLOR in
// COLOR0, and in TEXCOORD0 the corner number (x, 0 to 3) and x + y of the
// particle (y). Corners 0 and 3 are the diagonal pair.

float4 Time     : register(c0);
float4 SideAxis : register(c1);
float4 UpAxis   : register(c2);
float4x4 ViewProj : register(c4);

static const float HalfSize = 0.04;

struct VS_OUTPUT
{
    float4 Position : POSITION;
    float4 Color    : COLOR0;
    float2 Corner   : TEXCOORD0;
};

VS_OUTPUT vs_main(float3 centre : POSITION, float4 packedIndex : COLOR0, float4 params : TEXCOORD0)
{
    VS_OUTPUT Out;

    // Corner 0 -> (-1,-1), 1 -> (1,-1), 2 -> (-1,1), 3 -> (1,1).
    float corner = floor(params.x + 0.5);
    float cy = floor(corner * 0.5);
    float cx = corner - 2.0 * cy;
    float2 offset = float2(cx, cy) * 2.0 - 1.0;

    float3 world = centre + (SideAxis.xyz * offset.x + UpAxis.xyz * offset.y) * HalfSize;
    Out.Position = mul(ViewProj, float4(world, 1.0));

    // The colour's bytes carry the particle index; spread it over the hue.
    int4 bytes = D3DCOLORtoUBYTE4(packedIndex);
    float phase = (bytes.x + bytes.y * 256.0) / 2048.0 * 6.2831853 + params.y * 0.5 + Time.x;
    float3 hue = 0.5 + 0.5 * cos(phase + float3(0.0, 2.094, 4.189));
    Out.Color = float4(hue * 0.35, 1.0);
    Out.Corner = offset;
    return Out;
}

float4 ps_main(float4 color : COLOR0, float2 corner : TEXCOORD0) : COLOR0
{
    float falloff = saturate(1.0 - dot(corner, corner));
    return color * falloff * falloff;
}

technique Additive
{
    pass P0
    {
        VertexShader = compile vs_3_0 vs_main();
        PixelShader  = compile ps_3_0 ps_main();
        CullMode = None;
        ZEnable = False;
        ZWriteEnable = False;
        AlphaBlendEnable = True;
        SrcBlend = One;
        DestBlend = One;
    }
}

technique Additive_SM2
{
    pass P0
    {
        VertexShader = compile vs_2_0 vs_main();
        PixelShader  = compile ps_2_0 ps_main();
        CullMode = None;
        ZEnable = False;
        AlphaBlendEnable = True;
        SrcBlend = One;
        DestBlend = One;
    }
}
