// A prototype above the caller declares the function defined below it.
//? entry ps_3_0 main()
//? expect 0.25 0.5 0.75 1
float4 shade(float4 c);
float4 main() : COLOR0
{
    return shade(float4(0.25, 0.5, 0.75, 1));
}
float4 shade(float4 c) { return c; }
