// Several techniques, several passes: a layered look for the particle stream
// (POSITION, COLOR0, TEXCOORD0). Pass "Base" draws the vertex colour opaque,
// "Glow" adds a pulsing, slightly larger shell, "Ghost" blends a faint copy
// over it. Render-state names and values are written in mixed case, one pass
// is unnamed, and a stray ';' follows some blocks, as hand-edited files have.
//
// Registers follow this program's block: c0.x time, c4-c7 the view-projection
// rows (mul(M, v)).

float4 Time : register(c0);
float4x4 ViewProj : register(c4);
float4 GlowColor : register(c8) < string UIName = "Glow"; string UIWidget = "Color"; > = { 1.0, 0.6, 0.2, 1.0 };
float4 GhostParams : register(c9) = { 1.3, 0.25, 0.0, 0.0 };   // x scale, y opacity

struct VSOut
{
    float4 Pos   : POSITION;
    float4 Color : COLOR0;
    float4 Tex   : TEXCOORD0;
};

VSOut Transform(float3 pos, float4 color, float4 tex, float scale)
{
    VSOut o;
    o.Pos = mul(ViewProj, float4(pos * scale, 1.0));
    o.Color = color;
    o.Tex = tex;
    return o;
}

VSOut VS_Base(float3 pos : POSITION, float4 color : COLOR0, float4 tex : TEXCOORD0)
{
    return Transform(pos, color, tex, 1.0);
}

VSOut VS_Glow(float3 pos : POSITION, float4 color : COLOR0, float4 tex : TEXCOORD0)
{
    float pulse = 1.05 + 0.05 * sin(Time.x * 6.2831853);
    return Transform(pos, color, tex, pulse);
}

VSOut VS_Ghost(float3 pos : POSITION, float4 color : COLOR0, float4 tex : TEXCOORD0)
{
    return Transform(pos, color, tex, GhostParams.x);
}

float4 PS_Base(float4 color : COLOR0) : COLOR0
{
    return float4(color.rgb, 1.0);
}

float4 PS_Glow(float4 color : COLOR0, float4 tex : TEXCOORD0) : COLOR0
{
    float fade = saturate(1.0 - abs(tex.y * 2.0 - 1.0));
    return GlowColor * fade * color.a;
}

float4 PS_Ghost(float4 color : COLOR0) : COLOR0
{
    return float4(color.rgb, GhostParams.y);
}

technique Layered < string Description = "base, glow and ghost"; int Passes = 3; >
{
    pass Base < string Script = "Draw=Geometry;"; >
    {
        VertexShader = compile vs_2_0 VS_Base();
        PixelShader  = compile ps_2_0 PS_Base();
        CULLMODE = NONE;
        ZEnable = True;
        ZWriteEnable = true;
        AlphaBlendEnable = FALSE;
    };
    pass Glow
    {
        VertexShader = compile vs_2_0 VS_Glow();
        PixelShader  = compile ps_2_0 PS_Glow();
        cullmode = ccw;
        ZWriteEnable = false;
        AlphaBlendEnable = TRUE;
        SrcBlend = One;
        DestBlend = One;
    }
    pass Ghost
    {
        VertexShader = compile vs_2_0 VS_Ghost();
        PixelShader  = compile ps_2_0 PS_Ghost();
        CullMode = None;
        ZWriteEnable = false;
        AlphaBlendEnable = TRUE;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        BlendOp = Add;
    }
};

technique BaseOnly
{
    pass
    {
        VertexShader = compile vs_2_0 VS_Base();
        PixelShader  = compile ps_2_0 PS_Base();
        CullMode = None;
    }
}

technique GlowOnly
{
    pass P0
    {
        VertexShader = compile vs_3_0 VS_Glow();
        PixelShader  = compile ps_3_0 PS_Glow();
        ZENABLE = FALSE;
        ALPHABLENDENABLE = TRUE;
        SRCBLEND = ONE;
        DESTBLEND = ONE;
        CULLMODE = NONE;
    }
};
