// An array's size may be any constant expression: arithmetic, casts, a
// static const and a const global (a parameter, sized by its initial value).
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 4 6 2 3
float4 v : register(c0);
const int Taps = 2;
static const int Twice = Taps * 2;
static const float Half = 1.5;
float4 sum(float4 a[Twice]) { float4 s = 0; for (int i = 0; i < Twice; ++i) s += a[i]; return s; }
float sum(float a[3]) { return a[0] + a[1] + a[2]; }
float4 main() : COLOR0
{
    float4 a[Taps + 2];
    for (int i = 0; i < 4; ++i) a[i] = v.x;
    float b[(int)(Half * 2)] = { 1, 2, 3 };
    float c[Taps][int(Half)];
    c[1][0] = 2;
    return float4(sum(a).x, sum(b), c[1][0], (float)(Taps + 1));
}
