// What a function writes back through an out or inout parameter declared
// as a float matrix (or as an int matrix, into a bool one) is converted
// into the int or bool matrix given to it; an inout int matrix parameter
// given a float matrix converts what it takes in. The same for what
// sincos and modf write. A uniform int matrix given to a float matrix
// parameter is read as ints first.
//? entry ps_3_0 main()
//? size 7 1
//? ps c0 = 1.75 -2.5 0.25 3.5
//? ps c4 = 1.5 -2.5 0 0  0.75 3.9 0 0
//? expect at 0 0 = 1 -2 0 3
//? expect at 1 0 = 1 0 1 -0.25
//? expect at 2 0 = 1 -3 0 4
//? expect at 3 0 = 0 3 1 0
//? expect at 4 0 = 1 0 0 1
//? expect at 5 0 = 0 1 0.75 -0.5
//? expect at 6 0 = 2 -4 0 6
float4 v : register(c0);
row_major int2x2 u : register(c4);
struct S { int2x2 m; };
void Fill(out float2x2 m) { m = float2x2(v.x, v.y, v.z, v.w); }
float Scale(inout float2x2 m, float s) { m *= s; return m[0].x; }
void Take(inout int2x2 m) { m *= 1.5; }
void Flags(out int2x2 m) { m = float2x2(2, 0, -1, 0.5); }
float4 Rows(float2x2 m) { return float4(m[0], m[1]); }
float4 main(float2 p : VPOS) : COLOR0
{
    int2x2 k;
    Fill(k);
    bool2x2 b = float2x2(1, 0, 1, 0);
    float r = Scale(b, -0.25);
    float2x2 f = float2x2(v.x, v.y, v.z, v.w);
    Take(f);
    S s;
    Fill(s.m);
    bool2x2 c[2];
    c[0] = 0;
    Flags(c[1]);
    bool2x2 sine;
    int2x2 cosine;
    sincos(float2x2(v.x, 0, v.z, 0), sine, cosine);
    bool2x2 whole;
    float2x2 part = modf(float2x2(v), whole);
    if (p.x < 1) return float4(k[0], k[1]);
    if (p.x < 2) return float4(b[0], b[1].x, r);
    if (p.x < 3) return float4(f[0], f[1]);
    if (p.x < 4) return float4(s.m[1], c[1][0]);
    if (p.x < 5) return float4(sine[0], cosine[0]);
    if (p.x < 6) return float4(whole[1], part[0]);
    return Rows(u) * 2;
}
