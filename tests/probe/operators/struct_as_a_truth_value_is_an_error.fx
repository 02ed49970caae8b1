// A struct is no truth value: '!', '&&', '||' and '?:' take scalars,
// vectors and matrices.
//? entry ps_3_0 main()
//? error 10 logic takes scalars, vectors and matrices
struct S { float a; };
float4 v : register(c0);
float4 main() : COLOR0
{
    S s; s.a = v.x;
    return !s;
}
