// What the probe writes after BeginPass reaches the registers the pixel
// shader reads.
//? entry ps_3_0 main()
//? ps c0 = 1.5 -2 0.25 8
//? ps c2 = 4 5 6 7
//? ulps 0
//? expect 1.5 -2 0.25 8
float4 a : register(c0);
float4 b : register(c2);
float4 main() : COLOR0
{
    return a + b - b;
}
