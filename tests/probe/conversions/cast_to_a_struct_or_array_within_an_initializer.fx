// A cast to a struct or an array may stand in a global's initializer in
// brackets, as an item of a list or a constructor, or with a member or an
// element taken; the components go in order there as anywhere. In a
// function, the same forms.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 3 4 14 20
struct S { float2 a; float2 b; };
static const float4 k = float4(5, 6, 7, 8);
static const S t = ((S)k);
static const float2 q[2] = { 0, 1, (float[2])k.zw };
static const float4 w = float4((float[4])t);
static const float2 y = ((S)k).b + ((float[4])k)[0];
float4 v : register(c0);
float4 main() : COLOR0
{
    float2 b = ((S)v).b;
    float4 e = float4((float[4])v);
    float2 r[2] = { (float[2])v, (float[2])(v * 2) };
    return float4(b, t.b.x + q[1].x, y.x + w.w + r[1].y - e.w);
}
