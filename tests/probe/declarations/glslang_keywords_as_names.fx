// Words glslang reserves and Direct3D 9 does not are names everywhere: a
// sampler, a parameter with its initial value and register, a struct, its
// members, a local, an input and a function; a word that is a modifier
// keeps that meaning where a type follows it.
//? texture swatch.dds 2d 1x1 rgba8
//? texels 64 128 192 255
//? abs 0.002
//? expect 0.25098 1.0 1.5 3.5
texture Swatch < string ResourceName = "swatch.dds"; >;
sampler2D point = sampler_state { Texture = <Swatch>; MinFilter = linear; MagFilter = point; };
float4 linear : register(c1) = {0.25, 0.5, 0.75, 1};
float line = 2;
struct triangle { float4 centroid; float precise; float layout; };
triangle lineadj = { 1, 2, 3, 4, 5, 0.5 };
float uint64_t(float snorm) { return snorm * 2; }
float4 main(float2 uv : TEXCOORD0, centroid float4 unorm : TEXCOORD1) : COLOR0
{
    precise float4 noperspective = linear * line;
    triangle groupshared = lineadj;
    groupshared.precise += uint64_t(groupshared.layout);
    return float4(tex2D(point, uv).x, noperspective.y, noperspective.z, groupshared.precise - 2.5) + unorm * 0;
}
technique T0 { pass P { PixelShader = compile ps_3_0 main(); } }
