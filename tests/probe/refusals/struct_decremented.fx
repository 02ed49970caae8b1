//? entry ps_3_0 main()
//? error 9 's' is a struct: it cannot be incremented or decremented
struct S { float k; };
float4 main() : COLOR0
{
    S s;
    s.k = 0.5;
    --s.k;
    --s;
    return float4(s.k, 0.25, 0, 1);
}
