// Matrices of ints and bools are float matrices whose values are whole
// (truncated toward zero) or 0 and 1, wherever a value is converted into
// one: constructors, casts, initializers, assignments of the whole matrix or
// an element, compound assignments, parameters, returns.
//? entry ps_3_0 main()
//? size 4 2
//? ps c0 = 1.75 -2.5 0.25 3.5
//? expect at 0 0 = 1 -2 0 3
//? expect at 1 0 = 1 1 0 1
//? expect at 2 0 = 1 -2 0 3
//? expect at 3 0 = 2 -2 0 3
//? expect at 0 1 = 2 -5 0 8
//? expect at 1 1 = 0 1 1 1
//? expect at 2 1 = 1 1 0 1
//? expect at 3 1 = -1 -1 0 6
float4 v : register(c0);
int2x2 Twice(int2x2 m) { return m * 2.75; }
bool2x2 Flags(float2x2 m) { return m; }
float4 rows(float2x2 m) { return float4(m[0], m[1]); }
float4 main(float2 p : VPOS) : COLOR0
{
    int i = (int)(p.x + 4 * p.y);
    float2x2 f = float2x2(v.x, v.y, v.z, v.w);
    int2x2 a = int2x2(v.x, v.y, v.z, v.w);
    bool2x2 b = bool2x2(v.x, v.y, 0, v.w);
    int2x2 c = f;
    int2x2 d;
    d = f + 0.5;
    d[1] = float2(0.75, 3.9);
    uint2x2 e = (uint2x2)f;
    e += 0.5;
    bool3x3 g = (bool3x3)0.5;
    g._11 = 0;
    int3x2 h = (int3x2)-1.5;
    h[1] *= 0.5;
    h._m20 = v.w * 2 - 1;
    if (i == 0) return rows(a);
    if (i == 1) return rows(b);
    if (i == 2) return rows(c);
    if (i == 3) return float4(d[0], d[1]);
    if (i == 4) return rows(Twice(f));
    if (i == 5) return float4(g[0], g[1].x);
    if (i == 6) return rows(Flags(f - 0.25));
    return float4(h[0], h[1].x, h[2].x);
}
