// The branches of ?: are of one type: two variables of one struct are
// taken, a struct and a float are an error at the '?'.
//? entry ps_3_0 main()
//? ps c0 = 1 0 0 0
//? error 12 the branches are of different types
float4 v : register(c0);
struct S { float a; };
float4 main() : COLOR0
{
    S s = (S)1; S t = (S)2;
    S u = v.x > 0 ? s : t;
    S w = v.x > 0 ? s : 2.0;
    return u.a + w.a;
}
