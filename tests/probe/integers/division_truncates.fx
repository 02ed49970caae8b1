// ints are floats at run time, but / and % on them and casts to int truncate toward zero.
//? entry ps_3_0 main()
//? size 4 1
//? ps c0 = -7 2 7 -2
//? ps c1 = -2.75 2.75 -0.5 3.5
//? expect at 0 0 = -3 -3 -1 1
//? expect at 1 0 = -2 2 0 3
//? expect at 2 0 = -3 3 -3 -1
//? expect at 3 0 = -1 0 -1 0
float4 v : register(c0);
float4 w : register(c1);
float4 main(float2 p : VPOS) : COLOR0
{
    int a = (int)v.x, b = (int)v.y, c = (int)v.z, d = (int)v.w;
    if (p.x == 0) return float4(a / b, c / d, a % b, c % d);
    if (p.x == 1) return float4((int)w.x, (int)w.y, (int)w.z, (int)w.w);
    if (p.x == 2) return float4(int2(w.xy) + int2(-1, 1), (int)(v.x / 2), (int)(w.z + w.z));
    int4 q = int4(v) / int4(7, -7, -7, 7);
    return float4(q);
}
