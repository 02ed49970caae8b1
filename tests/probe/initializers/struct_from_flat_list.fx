// An initializer list fills a struct member by member.
//? entry ps_3_0 main()
//? expect 1 2 3 4
struct Light
{
    float2 position;
    float range;
    float intensity;
};
float4 main() : COLOR0
{
    Light l = { 1, 2, 3, 4 };
    return float4(l.position, l.range, l.intensity);
}
