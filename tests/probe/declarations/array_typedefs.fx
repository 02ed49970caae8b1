// A typedef of an array declares arrays of that size wherever its name
// declares a variable or a parameter, or names a cast: "Pair a, b[2];" is
// two float2 and two pairs of them, and b[1][1] one float2 of a constructor.
//? entry ps_3_0 main()
//? ps c0 = 0.5 0.25 2 4
//? expect 2.25 1.25 2 4
typedef float2 Pair[2];
float4 v : register(c0);
float2 sum(Pair p) { return p[0] + p[1]; }
float4 main() : COLOR0
{
    Pair a = { 1, 0.5, 0.75, 0.5 }, b[2];
    b[1] = (Pair)v;
    return float4(sum(a) + b[1][0], b[1][1]);
}
