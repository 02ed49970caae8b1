// An intrinsic of 1xN, Nx1 or 1x1 matrices gives one of those shapes, and
// its elements, rows and swizzles read as a variable's would: mul of a row
// by a column is a 1x1 (one sum of products), of a row by a matrix a row;
// a bracketed selection of two rows is a row.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 20 10 3 1
float4 v : register(c0);
float4 main() : COLOR0
{
    float1x3 r = v.xyz;
    float3x1 c = v.yzw;
    float1x2 pair = v.xy;
    float2x2 m = float2x2(1, 2, 3, 4);
    float1x1 k = v.w;
    float2 swapped = transpose(r)._31_21;
    return float4(mul(r, c)._11, mul(pair, m)._m01, swapped.x - sqrt(k)._11 + max(0, c)._11,
                  mul(k, 0.25)._11);
}
