// A matrix takes registers only as far as the results use it: only xyz of
// mul(p, World) is used, so World (column_major) takes its first three
// columns, c0-c2, and tint follows at c3. Values travel through a function
// and a local variable on the way.
//? entry ps_3_0 main()
//? ps c0 = 1 0 0 0  0 1 0 0  0 0 1 0  0.5 0.5 0.5 0.5
//? expect 1.5 2.5 3.5 0.5
float4x4 World;
float4 tint;
float3 Transform(float4 p)
{
    return mul(p, World).xyz;
}
float4 main() : COLOR0
{
    float3 w = Transform(float4(1, 2, 3, 1));
    return float4(w, 0) + tint;
}
