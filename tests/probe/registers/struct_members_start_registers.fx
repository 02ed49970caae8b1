// Each member of a struct constant starts a register: s.a in c0.x, s.b in
// c1, s.c in c2.x.
//? entry ps_3_0 main()
//? ps c0 = 1 9 9 9  2 3 4 5  6 9 9 9
//? expect 1 2 3 10
struct S { float a; float4 b; float c; };
S s;
float4 main() : COLOR0
{
    return float4(s.a, s.b.x, s.b.y, s.b.z + s.c);
}
