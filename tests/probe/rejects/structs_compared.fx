// Structs cannot be compared with == or !=.
//? entry ps_3_0 main()
//? error 8 cannot be compared
struct S { float a; float2 b; };
float4 main() : COLOR0
{
    S s = (S)0, t = (S)1;
    return s == t;
}
