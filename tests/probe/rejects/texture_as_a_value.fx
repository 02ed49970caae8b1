// A texture is read through a sampler: named as a value it is an error at
// its name, which says so.
//? entry ps_3_0 main()
//? error 9 'Albedo' is a texture: read it through a sampler
texture Albedo;
sampler2D AlbedoSampler = sampler_state { Texture = <Albedo>; };
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return tex2D(AlbedoSampler, uv) * Albedo;
}
