// A 1xN matrix has one row: m[i] at an index known only at run time (a
// loop's counter, a uniform) is that row, of a variable and of an
// intrinsic's result alike.
//? entry ps_3_0 main()
//? ps c0 = -2.5 0.5 1.5 0
//? expect -2.5 1 4.5 0
float4 v : register(c0);
float4 main() : COLOR0
{
    float1x3 m = float1x3(v.xyz);
    float3 o = 0;
    for (int i = 0; i < 1; i++)
        o += m[i] + abs(m)[i];
    int k = (int)v.w;
    return float4(o.x + m[k].x, o.y, o.z + m[k].z, 0);
}
