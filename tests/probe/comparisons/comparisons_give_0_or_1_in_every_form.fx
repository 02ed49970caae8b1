// A comparison gives exactly 0 or 1 per component, whatever it is used as:
// a scalar or vector value, cast, multiplied, added, negated (0 or -1), as a
// ternary's condition (per component) or as an intrinsic's argument.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 1 2.5 -1.5 8
float4 v : register(c0);
float4 main() : COLOR0
{
    float4 asValue = v >= 2;                         // 0 1 1 1
    float single = (float)(v.x < 2) * 0.5;           // 0.5
    float4 casted = (float4)(v == float4(1, 0, 3, 0)); // 1 0 1 0
    float4 negated = -(v > 2);                       // 0 0 -1 -1
    float4 picked = v > 2 ? v : -v;                  // -1 -2 3 4
    float summed = dot(v < 3, 1) + (v.w != 4);       // 2
    return float4(asValue.y * casted.x,
                  single + summed,
                  negated.z + (v.x > 0) * 0 - 0.5,
                  picked.w + picked.z + lerp(0, 1, v.y > 1));
}
