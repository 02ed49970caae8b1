// A function may be declared before it is defined; an entry point may be
// too, with the same semantics on both.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 0.5 1 1.5 2
float4 v : register(c0);
float4 halve(float4 a);
float4 main() : COLOR0;
float4 main() : COLOR0
{
    return halve(v);
}
float4 halve(float4 a)
{
    return a * 0.5;
}
