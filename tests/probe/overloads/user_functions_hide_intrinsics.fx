// A function of the effect named as an intrinsic is the one every call of
// that name reaches, converting its arguments as for any function.
//? entry ps_3_0 main()
//? ps c0 = 0.5 2 -3 4
//? expect 2.5 7 15 -0.5
float4 v : register(c0);
float pow(float a, float b) { return a + b; }
float dot(float2 a, float2 b) { return 7; }
float max(int a, int b) { return a * 3 + b * 3; }
float length(float3 a) { return a.x + a.y + a.z; }
float4 main() : COLOR0
{
    return float4(pow(v.x, v.y), dot(v.xy, v.zw), max(v.y, v.y + 1), length(v.xyz));
}
