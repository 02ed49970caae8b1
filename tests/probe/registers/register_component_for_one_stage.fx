// register(ps, c0.y) puts a global at that component of c0 in pixel
// shaders; register(vs, c1.w) says nothing to them, so that global is
// allocated as any other (past the explicit registers).
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? ps c1 = 5 6 7 8
//? ps c2 = 9 10 11 12
//? expect 5 2 3 9
float4 a : register(c1);
float2 b : register(ps, c0.y) : register(vs, c9);
float c : register(vs, c1.w);
float4 main() : COLOR0
{
    return float4(a.x, b, c);
}
