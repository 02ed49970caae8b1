// Samplers are set by the effect, never by code: a local variable of a
// struct with a sampler member is an error at its name, which names the
// member (and not a failure to link the pass).
//? entry ps_3_0 main()
//? error 10 'm' is a local Material, whose member 'albedo' is a sampler
sampler2D Stone;
struct Material { float4 tint; sampler2D albedo; };
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    Material m;
    m.tint = 1;
    m.albedo = Stone;
    return tex2D(m.albedo, uv) * m.tint;
}
