// A scalar argument stands for a vector of its value: clamp(v, 0, 1), lerp(v, 1, t), max(v, s).
//? entry ps_3_0 main()
//? ps c0 = 0.5 2 -3 4
//? expect 0.5 1 0 1
float4 v : register(c0);
float4 main() : COLOR0
{
    float4 c = clamp(v, 0, 1);
    float3 l = lerp(v.xyz, 1, 0.5);
    float2 m = max(v.zw, 0.25);
    return float4(c.x, c.y, l.z + 1, m.x * 4);
}
