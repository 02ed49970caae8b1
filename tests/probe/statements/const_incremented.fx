// A const variable cannot be incremented (glslang took ++ of one).
//? entry ps_3_0 main()
//? error 8 'k' is const
float4 main() : COLOR0
{
    const float k = 0.25;
    float a = k;
    k++;
    return float4(0.5, a, 0, 1);
}
