// mul of an int, uint or bool scalar and a vector or matrix scales it, the
// scalar converted to a float; of two int scalars it is their int product
// (mul(i, u) / 4 truncates).
//? entry ps_3_0 main()
//? ps c0 = 3 1 2 4
//? expect 10 9 4 12
float4 v;
float4 main() : COLOR0
{
    int i = (int)v.x;
    bool b = v.y > 0;
    uint u = (uint)v.z;
    float2x2 m = mul(u, float2x2(v.x, v.y, v.z, v.w));
    return mul(i, float4(v.x, 1, 0, 0)) + mul(float4(0, 0, 0, v.w), b) + float4(mul(i, u) / 4, m[0].x, m[1]);
}
