// An array or a struct is no operand of arithmetic, also when a cast makes
// it: an error at the cast, not glslang's words about its constructors.
//? entry ps_3_0 main()
//? error 9 scalar, vector, or matrix expected
struct S { float2 a; float2 b; };
float4 v : register(c0);
float4 main() : COLOR0
{
    S s = 1 + (S)v;
    return s.a.xyxy;
}
