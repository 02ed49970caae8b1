// A cast to an array takes the components in order wherever a value
// stands: an assignment's right side, a function's argument, a global's
// initializer (a parameter's initial value and a static's).
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 3 4 8 11
float4 v : register(c0);
float g[4] = (float[4])float2x2(5, 6, 7, 8);
static const float4 k = float4(9, 10, 11, 12);
static float s[4] = (float[4])k;
struct Pair { float a; float b; };
float third(float f[4]) { return f[2]; }
float4 main() : COLOR0
{
    Pair p[2];
    p = (Pair[2])v;                 // (1, 2) (3, 4)
    float f[4];
    f = (float[4])v.wzyx;           // 4 3 2 1
    return float4(third((float[4])p), f[0], g[3], s[2]);
}
