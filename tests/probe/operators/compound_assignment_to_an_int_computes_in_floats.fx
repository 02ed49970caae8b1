// A compound assignment to an int, uint or bool computes in floats and
// truncates (or makes 0 / 1) what it stores: 3 *= 1.5 is 4, not 3 * 1;
// a struct's member too.
//? entry ps_3_0 main()
//? size 3 1
//? ps c0 = 3 2 0.5 -7
//? expect at 0 0 = 4 3 1 1
//? expect at 1 0 = -2 1 5 -1.5
//? expect at 2 0 = 1 0 4 6
float4 v : register(c0);
struct S { float f; int2 k; };
float4 main(float2 p : VPOS) : COLOR0
{
    int i = (int)v.x;
    int2 w = int2(v.xy);
    uint u = 2;
    bool b = false;
    i *= 1.5;                 // 4.5
    w *= 1.6;                 // 4.8 3.2
    u -= v.z;                 // 1.5
    b += v.z;                 // 0.5: true
    if (p.x == 0) return float4(i, w.y, u, b);
    int n = (int)v.w;
    int a[2] = { 1, 2 };
    int3 e = 1;
    n /= 2.5;                 // -2.8
    a[1] -= v.z * 2;          // 1
    e.yz *= v.x + v.z;        // 3.5
    e[2] %= 2.5;              // 3 % 2.5 is 0.5: 0
    if (p.x == 1) return float4(n, a[1], e.y + 2, e.z - 1.5);
    bool2 c = bool2(true, false);
    c *= v.z;                 // 0.5 0
    S s[2];
    s[1].k = 3;
    s[1].k.y *= v.x * 0.5;    // 4.5
    int k = 5;
    k += v.z + v.z;           // 6
    return float4(c, s[1].k.y, k);
}
