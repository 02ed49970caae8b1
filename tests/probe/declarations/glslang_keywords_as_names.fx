// Words glslang reserves and Direct3D 9 does not are names everywhere: a
// sampler, a parameter with its initial value and register, a struct, its
// members, a local, a parameter and a function.
//? texture swatch.dds 2d 1x1 rgba8
//? texels 64 128 192 255
//? abs 0.002
//? expect 0.25098 1.0 1.5 3.5
texture Swatch < string ResourceName = "swatch.dds"; >;
sampler2D layout = sampler_state { Texture = <Swatch>; MinFilter = Point; MagFilter = Point; };
float4 uint64_t : register(c1) = {0.25, 0.5, 0.75, 1};
float Scale = 2;
struct TextureBuffer { float4 layout; float SubpassInputMS; float uint64_t; };
TextureBuffer SubpassInputMS = { 1, 2, 3, 4, 5, 0.5 };
float SubpassInput(float SubpassInputMS) { return SubpassInputMS * 2; }
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    float4 scaled = uint64_t * Scale;
    float sum = SubpassInputMS.SubpassInputMS + SubpassInput(SubpassInputMS.uint64_t);
    return float4(tex2D(layout, uv).x, scaled.y, scaled.z, sum - 2.5);
}
technique T0 { pass P { PixelShader = compile ps_3_0 main(); } }
