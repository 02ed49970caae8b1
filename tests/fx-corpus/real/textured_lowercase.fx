// Plain texturing for the particle stream (POSITION, COLOR0, TEXCOORD0): the
// texture is modulated by the vertex colour. Sampler states are written in
// lower case, and the detail sampler is declared on a single line. The
// matrix sits at c4-c7 and is applied as mul(M, v), the rows of the matrix
// being held in the registers (this program's convention).

float4x4 ViewProj : register(c4);
float4 TintAndTime : register(c0);
float2 DetailScale = { 4.0, 4.0 };

texture diffuseTexture;
texture detailTexture;

sampler2D diffuseSampler = sampler_state
{
    texture = <diffuseTexture>;
    minfilter = linear;
    magfilter = linear;
    mipfilter = linear;
    addressu = wrap;
    addressv = clamp;
};

sampler2D detailSampler = sampler_state { Texture = <detailTexture>; MinFilter = Point; MagFilter = Point; MipFilter = None; AddressU = Mirror; AddressV = Mirror; };

struct vs_out
{
    float4 pos   : POSITION;
    float4 color : COLOR0;
    float2 uv    : TEXCOORD0;
};

struct ps_in
{
    float4 color : COLOR0;
    float2 uv    : TEXCOORD0;
};

vs_out vs_textured(float3 pos : POSITION, float4 color : COLOR0, float4 uv : TEXCOORD0)
{
    vs_out o;
    o.pos = mul(ViewProj, float4(pos, 1.0));
    o.color = color;
    o.uv = uv.xy;
    return o;
}

float4 ps_textured(ps_in i) : COLOR
{
    return tex2D(diffuseSampler, i.uv) * i.color;
}

float4 ps_detail(ps_in i) : COLOR
{
    float4 base = tex2D(diffuseSampler, i.uv);
    float4 detail = tex2D(detailSampler, i.uv * DetailScale);
    // Detail maps are authored around mid-grey.
    return float4(base.rgb * detail.rgb * 2.0, base.a) * i.color;
}

technique textured
{
    pass p0
    {
        vertexshader = compile vs_2_0 vs_textured();
        pixelshader = compile ps_2_0 ps_textured();
        cullmode = none;
        zenable = false;
    }
}

technique detail
{
    pass p0
    {
        vertexshader = compile vs_2_0 vs_textured();
        pixelshader = compile ps_2_0 ps_detail();
        cullmode = none;
    }
}
