// lit: no specular term when n.l or n.h is negative; diffuse is max(n.l, 0).
//? entry ps_3_0 main()
//? size 4 1
//? ps c0 = 0.8 -0.5 3 0
//? ps c1 = -0.25 0.5 3 0
//? ps c2 = 0.5 0.9 4 0
//? ulps 64
//? expect at 0 0 = 1 0.8 0 1
//? expect at 1 0 = 1 0 0 1
//? expect at 2 0 = 1 0.5 0.6561 1
//? expect at 3 0 = 1 0 0 1
float4 a : register(c0);
float4 b : register(c1);
float4 c : register(c2);
float4 main(float2 p : VPOS) : COLOR0
{
    if (p.x == 0) return lit(a.x, a.y, a.z);
    if (p.x == 1) return lit(b.x, b.y, b.z);
    if (p.x == 2) return lit(c.x, c.y, c.z);
    return lit(-1, -1, 1);
}
