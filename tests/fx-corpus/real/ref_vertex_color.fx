// Reference: the vertex colour (COLOR0, a D3DCOLOR in the stream) reaches
// the pixel unchanged, which checks the byte order of the diffuse word.
//
// Expected result: draw a full-screen quad (clip space x, y in [-1, 1],
// z = 0.5) whose four corners all carry the diffuse D3DCOLOR 0xFF336699
// (A = 0xFF, R = 0x33, G = 0x66, B = 0x99) with technique 0, pass 0.
// Every pixel then reads exactly R = 51, G = 102, B = 153, A = 255.

struct QuadOut
{
    float4 Position : POSITION;
    float4 Color    : COLOR0;
};

QuadOut VS_Pass(float3 position : POSITION, float4 color : COLOR0)
{
    QuadOut o;
    o.Position = float4(position, 1.0);
    o.Color = color;
    return o;
}

float4 PS_Pass(float4 color : COLOR0) : COLOR0
{
    return color;
}

technique VertexColour
{
    pass P0
    {
        VertexShader = compile vs_3_0 VS_Pass();
        PixelShader = compile ps_3_0 PS_Pass();
        AlphaBlendEnable = false;
        ZEnable = false;
        CullMode = None;
    }
}
