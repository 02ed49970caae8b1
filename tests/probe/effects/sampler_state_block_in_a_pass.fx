// Sampler[n] = sampler_state { ... } written in a pass puts the block's
// texture and states on stage n: Mirror reads u = 1.25 at 0.75, the red
// texel (Wrap, the default, would read the green one at 0.25).
//? texture green.dds 2d 2x1 rgba8
//? texels 0 255 0 255 255 0 0 255
//? expect 1 0 0 1
texture Tex < string ResourceName = "green.dds"; >;
sampler2D S : register(s0);
float4 ps_main() : COLOR0 { return tex2D(S, float2(1.25, 0.5)); }
technique T
{
    pass
    {
        PixelShader = compile ps_2_0 ps_main();
        Sampler[0] = sampler_state { Texture = <Tex>; MagFilter = Point; AddressU = Mirror; };
    }
}
