// A function whose returns all name one uniform struct holding samplers
// (or one member of it) gives its calls that uniform's samplers: a read of
// Pick().map, a local that starts as the call's value, and its numbers.
//? texture swatch.dds 2d 1x1 rgba8
//? texels 64 128 192 255
//? ps c0 = 0.5 0 0 0
//? ps c1 = 0 0.25 0 0
//? abs 0.004
//? expect 1.25294 1.75588 2.25882 3
texture Swatch < string ResourceName = "swatch.dds"; >;
struct Layer { float4 k; sampler2D map; };
struct Material { float4 tint; Layer layer; };
Material m;
Material Pick() { return m; }
Layer Top(float x) { if (x > 0) return m.layer; return m.layer; }
float4 main() : COLOR0
{
    Material c = Pick();
    return tex2D(Pick().layer.map, 0.5) + tex2D(c.layer.map, 0.5) + tex2D(Top(1).map, 0.5) +
           Pick().tint + c.layer.k;
}
technique T { pass { PixelShader = compile ps_3_0 main(); Texture[0] = <Swatch>; } }
