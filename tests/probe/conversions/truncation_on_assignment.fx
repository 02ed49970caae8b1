// Assigning a longer vector to a shorter one keeps its first components
// (Direct3D 9 warns).
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? warning 10 truncation
//? expect 1 2 3 0
float4 v : register(c0);
float4 main() : COLOR0
{
    float3 t = v;
    float2 u;
    u = v;
    return float4(t.xy, u.x + u.y, 0);
}
