// A longer vector passed to a shorter parameter keeps its first components;
// a scalar parameter takes the first.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? warning 12 truncation
//? expect 3 1 0 1
float4 v : register(c0);
float sum2(float2 a) { return a.x + a.y; }
float first(float a) { return a; }
float4 main() : COLOR0
{
    return float4(sum2(v), first(v), 0, 1);
}
