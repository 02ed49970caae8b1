// A type's name (half, double, float2, ...) cannot name a variable.
//? entry ps_3_0 main()
//? error 6 'half' is a type
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    float half = uv.x * 0.5;
    return half;
}
