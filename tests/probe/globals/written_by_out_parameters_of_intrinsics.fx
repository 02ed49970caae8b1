// modf, frexp and sincos write their out parameters into globals too (an
// int one takes the exponent converted).
//? entry ps_3_0 main()
//? ps c0 = 9 0 0 0
//? ps c1 = 9 0 0 0
//? ps c2 = 9 9 0 0
//? ps c3 = 2.75 0 0 0
//? expect 2.75 1.375 0 3
float whole : register(c0);
int e : register(c1);
float2 sc : register(c2);
float v : register(c3);
float4 main() : COLOR0
{
    float f = modf(v, whole);   // 0.75, 2
    float m = frexp(v, e);      // 0.6875, 2
    sincos(0, sc.x, sc.y);      // 0, 1
    return float4(f + whole, m * e, sc.x, sc.y + whole);
}
