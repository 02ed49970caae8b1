// An array of samplers takes stages in a row, each element with the states
// of its own sampler_state block, around the stages other samplers name
// (Other's s0 here: the pair takes s1 and s2). The missing image reads
// magenta, a sampler without a texture black.
//? entry ps_2_0 main()
//? warning 8 cannot open texture 'not_here.png'
//? expect 1 0 1 1
texture Missing < string ResourceName = "not_here.png"; >;
texture Empty;
sampler2D Pair[2] = {
    sampler_state { Texture = <Missing>; MinFilter = Point; MagFilter = Point; },
    sampler_state { Texture = <Empty>; },
};
sampler2D Other : register(s0) = sampler_state { Texture = <Missing>; MinFilter = Point; };
float4 main() : COLOR0
{
    float2 corner = float2(0.5 / 8, 0.5 / 8);
    return float4(tex2D(Pair[0], corner).r, tex2D(Pair[1], corner).r, tex2D(Other, corner).b,
                  tex2D(Pair[1], corner).a);
}
