// Only numeric types have constructors: a struct is given its values in
// braces or cast from one value.
//? entry ps_3_0 main()
//? error 9 a struct has no constructor
struct Pair { float a; float b; };
float4 main() : COLOR0
{
    Pair p = { 0.25, 0.5 };
    Pair q = Pair(0.25, 0.5);
    return p.a + q.b;
}
