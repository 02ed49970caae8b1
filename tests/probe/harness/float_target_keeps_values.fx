// The float target keeps what the pixel shader returns: negative values,
// values past 1 and all 24 bits of the significand.
//? entry ps_3_0 main()
//? ulps 0
//? expect -3.5 16777215 0.333333343 100000
float4 main() : COLOR0
{
    return float4(-3.5, 16777215.0, 1.0 / 3.0, 1e5);
}
