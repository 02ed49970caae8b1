// any and all of a vector of numbers (not bools) give 0 or 1 by whether
// the components are nonzero, for constants (literals or const names) as
// for values.
//? entry ps_3_0 main()
//? ps c0 = 0 3 0.5 -1
//? size 3 1
//? expect 1 0 1 1
float4 v;
static const int2 K = int2(0, 3);
static const float3 F = float3(2, -1, 0.5);
float4 main(float2 p : VPOS) : COLOR0
{
    if (p.x == 0)
        return float4(any(int2(0, 3)), all(uint3(1, 0, 2)), any(float2(0, 0.5)), all(half3(2, -1, 0.5)));
    if (p.x == 1)
        return float4(any(K), all(K), any(F.xy - 2), all(F));
    return float4(any(v.xy), all(v.xy), any(v.xz), all(v.yzw));
}
