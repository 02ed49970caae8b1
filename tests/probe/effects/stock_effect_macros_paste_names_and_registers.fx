// Stock effects of an XNA-era framework declare their textures through
// macros that paste the sampler's name and its register (s##index), and
// give each parameter a register per stage; the pasted names compile and
// the parameter keeps its initial value.
//? expect 0.5 0.25 0 1
#define _vs(r) : register(vs, r)
#define _ps(r) : register(ps, r)
#define DECLARE_TEXTURE(Name, index) \
    texture2D Name; \
    sampler Name##Sampler : register(s##index) = sampler_state { Texture = (Name); };
#define SAMPLE_TEXTURE(Name, texCoord) tex2D(Name##Sampler, texCoord)

DECLARE_TEXTURE(Texture, 0);

float4 DiffuseColor _vs(c0) _ps(c1) = float4(0.5, 0.25, 0, 1);

float4 PSBasic(float2 uv : TEXCOORD0) : SV_Target0
{
    // No image: the sampler reads opaque black.
    return DiffuseColor + SAMPLE_TEXTURE(Texture, uv) - float4(0, 0, 0, 1);
}

Technique BasicEffect
{
    Pass
    {
        PixelShader = compile ps_4_0_level_9_1 PSBasic();
    }
}
