// any and all of an intrinsic's result on constant numbers (abs, step, max
// of literals) test each component for nonzero, as they do of the numbers
// themselves.
//? entry ps_3_0 main()
//? size 1 1
//? expect 1 1 1 0
float4 main() : COLOR0
{
    return float4(all(abs(float2(1, -1))), any(max(float3(0, 0, 0), float3(0, 2, 0))),
                  all(step(0.5, float2(1, 1))), all(frac(float2(0.5, 2))));
}
