// A number with a suffix HLSL does not have is an error at the number.
//? entry ps_3_0 main()
//? error 6 '0.5q' is not a number
float4 main() : COLOR0
{
    float a = 0.5q;
    return float4(a, 0.25, 0, 1);
}
