// Each 2D read takes the level its form gives: tex2Dlod the level in w,
// tex2Dbias the pixel's level (0 here: four texels over four pixels) plus
// w, tex2Dgrad and tex2D with derivatives the level the derivatives span.
// Levels: 0 red, 1 green, 2 blue; point sampled.
//? entry ps_3_0 main()
//? size 4 4
//? abs 0.01
//? texture m.dds 2d 4x4 rgba8 3
//? texels 255 0 0 255 *16
//? texels 0 255 0 255 *4
//? texels 0 0 255 255
//? expect at 0 0 = 1 1 1 1
//? expect at 3 3 = 1 1 1 1
texture T < string ResourceName = "m.dds"; >;
sampler2D s = sampler_state { Texture = <T>; MinFilter = POINT; MagFilter = POINT; MipFilter = POINT; };
float4 main(float4 uv : TEXCOORD0, float2 p : VPOS) : COLOR0
{
    if (p.y < 2)
        return float4(tex2Dlod(s, float4(uv.xy, 0, 0)).r, tex2Dlod(s, float4(uv.xy, 0, 1)).g,
                      tex2Dlod(s, float4(uv.xy, 0, 2)).b, tex2Dbias(s, float4(uv.xy, 0, 1)).g);
    return float4(tex2Dgrad(s, uv.xy, float2(0.25, 0), float2(0, 0.25)).r,
                  tex2Dgrad(s, uv.xy, float2(0.5, 0), float2(0, 0.5)).g,
                  tex2D(s, uv.xy, float2(1, 0), float2(0, 1)).b, tex2Dbias(s, float4(uv.xy, 0, 2)).b);
}
