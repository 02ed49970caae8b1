// Overloads of one name calling one another do not recur.
//? entry ps_3_0 main()
//? expect 0.5 0.25 0 1
float part(float x) { return x * 0.5; }
float part(float2 x) { return part(x.x) + part(x.y); }
float4 main() : COLOR0
{
    return float4(part(float2(0.75, 0.25)), 0.25, 0, 1);
}
