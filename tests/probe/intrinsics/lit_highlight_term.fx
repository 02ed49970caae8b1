// lit(n.l, n.h, m) = (1, max(n.l, 0), n.l < 0 || n.h < 0 ? 0 : n.h^m, 1).
//? entry ps_3_0 main()
//? ps c0 = 0.5 0.5 2 0
//? ulps 64
//? expect 1 0.5 0.25 1
float4 v;
float4 main() : COLOR0
{
    return lit(v.x, v.y, v.z);
}
