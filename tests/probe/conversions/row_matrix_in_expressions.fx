// A 1x3 matrix mixes with vectors of three components.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 0
//? expect 14 2 3 1
float4 v : register(c0);
float4 main() : COLOR0
{
    float1x3 m = v.xyz;
    float3 w = m;
    return float4(dot(w, v.xyz), m._12, w.z, 1);
}
