// A struct or an array given to a constructor or in an initializer list
// counts as its components in order.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 1 2 3 4
float4 v : register(c0);
struct Pair { float first; float second; };
float4 main() : COLOR0
{
    Pair p = { v.x, v.y };
    float rest[2] = { v.z, v.w };
    float4 listed = { p, rest };
    float2x2 m = float2x2(rest, p);
    return (listed + float4(m).zwxy + float4(p, rest)) / 3;
}
