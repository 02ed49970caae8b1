// A local that starts as a copy of a struct holding samplers (a uniform,
// an element of an array of them, a parameter, a struct of samplers only)
// reads the copied samplers and numbers. Stages: ms[0].map 0 (black),
// ms[1].map 1 and m.inner.map 2 (white, by the pass's Texture[n]).
//? texture white.dds 2d 1x1 rgba8
//? texels 255 255 255 255
//? ps c0 = 0.5 0 0 0
//? ps c1 = 0 0.25 0 0
//? ps c2 = 0 0 0.125 0
//? abs 0.004
//? expect 2.5 2.25 2.125 3
texture White < string ResourceName = "white.dds"; >;
struct Inner { sampler2D map; };
struct Material { float4 tint; sampler2D map; };
struct Layered { float4 tint; Inner inner; };
Material ms[2];
Layered m;
float4 Shade(Material x) { Material c = x; return tex2D(c.map, 0.5) + c.tint; }
float4 main() : COLOR0
{
    Material first = ms[0];
    Layered layered = m;
    Inner inner = layered.inner;
    return Shade(first) + Shade(ms[1]) + tex2D(inner.map, 0.5) + layered.tint;
}
technique T { pass { PixelShader = compile ps_3_0 main(); Texture[1] = <White>; Texture[2] = <White>; } }
