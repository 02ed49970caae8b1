// A register names its kind (b, c, i or s) and its number.
//? entry ps_3_0 main()
//? error 5 x2
float4 a : register(c1);
float4 b : register(x2);
float4 main() : COLOR0
{
    return a + b;
}
