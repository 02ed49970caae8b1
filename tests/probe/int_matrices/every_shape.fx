// Matrices of ints and bools of every shape from 2x2 to 4x4, with
// transpose and determinant of them.
//? entry ps_3_0 main()
//? size 4 2
//? ps c0 = 1.75 -2.5 0.25 3.5
//? expect at 0 0 = 1 -2 0 3
//? expect at 1 0 = 1 3 -2 2
//? expect at 2 0 = -3 2 4 1
//? expect at 3 0 = 1 1 1 1
//? expect at 0 1 = 5 4 3 2
//? expect at 1 1 = 1 0 1 1
//? expect at 2 1 = 0 3 -1 2
//? expect at 3 1 = -1 -6 0 0
float4 v : register(c0);
float4 main(float2 p : VPOS) : COLOR0
{
    int i = (int)(p.x + 4 * p.y);
    int2x3 a = int2x3(v.x, v.y, v.z, v.w, v.x + 1, -v.z);
    int3x2 t = transpose(a);
    uint4x4 u = uint4x4(abs(v), abs(v.wzyx), 1.5, 2.5, 3.5, 4.5, 4.9, 3.9, 2.9, 1.9);
    bool4x3 b = bool4x3(v.xyz, v.yzw, v.zwx, 0, 1, 0);
    bool3x4 bt = transpose(b);
    int3x3 c = int3x3(1.5, 2, 3, 4, 5, 6, 7, 8, 10.75);
    int2x4 d = (int2x4)-v.y;
    int4x2 e = (int4x2)transpose(d);
    if (i == 0) return float4(a[0], a[1].x);
    if (i == 1) return float4(t[0], t[1]);
    if (i == 2) return float4(determinant(c), u[2].xy * 2, u[1].w);
    if (i == 3) return float4(b[2], bt[0].x);
    if (i == 4) return u[3] + 1;
    if (i == 5) return float4(bt[2].zw, b[0].zy);
    if (i == 6) return float4(a[1].zx, a._m00_m01 * -1);
    return float4(determinant(int2x2(e[0], e[1])) - determinant((bool2x2)b) - 1, -6, 0, 0);
}
