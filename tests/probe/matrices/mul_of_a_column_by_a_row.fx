// mul of an Nx1 by a 1xM matrix is their NxM product (every c[i] * r[j]);
// of a 1xN by an Nx1 it is the one sum of products.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 6 16 15 30
float4 v : register(c0);
float4 main() : COLOR0
{
    float4x1 column = v;
    float1x3 row = v.xyz;
    float4x3 outer = mul(column, row);
    float2x2 small = mul(float2x1(v.zw), float1x2(v.xy));
    float1x4 r = v;
    float inner = mul(r, column);
    return float4(outer[1][2], outer._43 + outer._41, small._22 + small._12 + small._21 - small._11, inner);
}
