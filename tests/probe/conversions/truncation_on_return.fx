// A function returning a shorter vector than its return expression keeps
// the first components.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? warning 10 truncation
//? expect 1 2 0 1
float4 v : register(c0);
float2 first_two()
{
    return v;
}
float4 main() : COLOR0
{
    return float4(first_two(), 0, 1);
}
