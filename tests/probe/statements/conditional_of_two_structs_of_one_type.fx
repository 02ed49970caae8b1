// ?: between two variables of one struct type picks the whole struct.
//? entry ps_3_0 main()
//? ps c0 = 1 -1 0 0
//? expect 1 2 2 1
float4 v : register(c0);
struct S { float a; float b; };
float4 main() : COLOR0
{
    S s = { 1, 2 }; S t = { 3, 4 };
    S u = v.x > 0 ? s : t;
    S w = v.y > 0 ? t : s;
    return float4(u.a, u.b, w.b, 1);
}
