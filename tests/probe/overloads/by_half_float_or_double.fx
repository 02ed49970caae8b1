// Overloads that differ only by half, float or double are three functions:
// a call takes the one whose parameters its arguments' declared types
// match exactly (variables, parameters, members, literals, casts), the
// float one when none does.
//? entry ps_3_0 main()
//? ps c0 = 5 6 7 8
//? expect 1 2 3 20
float4 v : register(c0);
struct Pair { half h; double d; };
float k(half a);
float k(float a) { return 2; }
float k(double a) { return 3; }
float k(half a) { return 1; }
float two(half a, float b) { return 10; }
float two(float a, half b) { return 20; }
float fromHalf(half x) { return k(x); }
float4 main() : COLOR0
{
    half h = v.x;
    Pair p = { v.y, v.z };
    float exact = k(h) + k(p.h) + k(1.0h) + fromHalf(v.w) - 3;
    return float4(exact, k(v.y) + k(v.y * 2) - 2, k(p.d) + k((double)v.z) - 3, two(v.x, h));
}
