// A matrix condition selects element by element; a scalar branch fills
// every element it is chosen for.
//? entry ps_3_0 main()
//? ps c0 = 1 -2 3 -4
//? expect 1 10 3 10
float4 v;
float4 main() : COLOR0
{
    float2x2 m = float2x2(v);
    float2x2 r = m > 0 ? m : 10;
    return float4(r[0], r[1]);
}
