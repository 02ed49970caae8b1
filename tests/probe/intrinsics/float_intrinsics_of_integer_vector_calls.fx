// An intrinsic of floats given an int, uint or bool value (a vector or a
// scalar) that a constructor or a call makes takes it as floats, component
// by component, as a variable of that type is taken (not as one float); so
// does ldexp's exponent.
//? entry ps_3_0 main()
//? ps c0 = 2.5 -3.7 3 -4
//? expect 5 3 0.5 1
float4 v;
int2 Halves(float2 x) { return int2(x * 0.5); }
struct Tally { int n; };
float4 main() : COLOR0
{
    int2 k = int2(v.xy);
    Tally t = { v.z };
    return float4(length(int2(v.z, v.w)),
                  sqrt(uint2(v.z, 9)).y + exp2(dot(k, int2(1, 1))) - 0.5,
                  frac(exp2(Halves(v.xy))).y + sqrt(max(k.x, 4)) - 2,
                  saturate(min(k, int2(1, 2))).x + normalize(bool2(v.x, 0)).x - 1 +
                  ldexp(v.xx, int2(1, v.z)).y - 20 + sqrt(max(t.n, 4)) - 2);
}
