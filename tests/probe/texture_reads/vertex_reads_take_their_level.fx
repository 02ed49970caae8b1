// A vs_3_0 shader reads a texture with tex2Dlod, at the level in w
// (levels: 0 red, 1 green, 2 blue), also through a helper's sampler.
//? entry vs_3_0 main()
//? abs 0.01
//? texture m.dds 2d 4x4 rgba8 3
//? texels 255 0 0 255 *16
//? texels 0 255 0 255 *4
//? texels 0 0 255 255
//? expect 1 1 1 1
texture T < string ResourceName = "m.dds"; >;
sampler2D s = sampler_state { Texture = <T>; MinFilter = POINT; MagFilter = POINT; MipFilter = POINT; };
float4 Level(sampler2D x, float l) { return tex2Dlod(x, float4(0.5, 0.5, 0, l)); }
float4 main(float4 p : POSITION, inout float4 uv : TEXCOORD0) : POSITION
{
    uv = float4(tex2Dlod(s, float4(0.5, 0.5, 0, 0)).r, Level(s, 1).g, Level(s, 2).b, 1);
    return p;
}
