// A variable in an initializer list gives its components one by one, across
// the elements and members it fills.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 1 4 4 3
float4 p;
struct S { float2 a; float b; float c; };
float4 main() : COLOR0
{
    float2 halves[2] = { p };
    S s = { p.wzyx };
    return float4(halves[0].x, s.a.x, halves[1].y - s.c / 2 + s.b - 1.5, s.a.y);
}
