// A division by a length is a product by the rsq the length computed, and
// 1 / x is the rcp alone: 15 rounds of a dot product, an rsq, a product
// and a sum, with the product before and the reciprocal after, are 62
// instructions and fit ps_2_0.
//? entry ps_2_0 main()
//? ps c0 = 1 0 0 0
//? expect 2 0 0 0.5
float4 k;
float4 main(float4 t : TEXCOORD0) : COLOR0
{
    float4 v = t.wwww * k;
    for (int i = 0; i < 15; i++)
        v = v / length(v) + k;
    return float4(v.xyz, 1 / v.x);
}
