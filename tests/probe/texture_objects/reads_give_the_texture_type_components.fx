// A read of a Texture2D<float> gives one component, of a Texture2D<float2>
// two, of a Texture2D<float4> (or no type) four; a scalar read spreads
// into a float4 as any scalar does. Magenta texels: (1, 0, 1, 1).
//? entry ps_3_0 main()
//? warning 7 cannot open texture 'not_here.png'
//? expect 1 1 1 2
Texture2D<float> One < string ResourceName = "not_here.png"; >;
Texture2D<unorm float2> Two < string ResourceName = "not_here.png"; >;
Texture2D<float4> Four < string ResourceName = "not_here.png"; >;
SamplerState Point { Filter = MIN_MAG_MIP_POINT; };
float4 main() : COLOR0
{
    const float2 uv = float2(0.5 / 8, 0.5 / 8);
    float4 spread = One.Sample(Point, uv);
    float2 two = Two.SampleLevel(Point, uv, 0);
    return float4(spread.g, two.x + two.y, spread.a - Four.Sample(Point, uv).g, dot(Four.Sample(Point, uv).rgb, 1));
}
