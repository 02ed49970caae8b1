// A texture whose file is missing is a warning; its sampler reads an 8 x 8
// checkerboard of magenta and black texels, magenta at the top left.
//? entry ps_3_0 main()
//? warning 6 cannot open texture 'not_here.png'
//? expect 1 0 1 0
texture Missing < string ResourceName = "not_here.png"; >;
sampler2D S = sampler_state { Texture = <Missing>; MinFilter = Point; MagFilter = Point; };
float4 main() : COLOR0
{
    float4 first = tex2D(S, float2(0.5 / 8, 0.5 / 8));
    float4 second = tex2D(S, float2(1.5 / 8, 0.5 / 8));
    float4 below = tex2D(S, float2(1.5 / 8, 1.5 / 8));
    return float4(first.r, second.r + second.g + second.b, below.b, 1 - first.a);
}
