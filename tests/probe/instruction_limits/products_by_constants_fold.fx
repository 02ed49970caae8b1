// Direct3D 9's compiler folds a product by 1, a product by 0 and two
// products by constants in a row: 200 such products of a float4 by a
// scalar, and one by 2 then by 0.5 in each of 60 multiply-adds, fit
// ps_2_0's 64 arithmetic instructions. k is 0.5: (0.5 * 0.5 + 0.25) is 0.5
// at every step.
//? entry ps_2_0 main()
//? ps c0 = 0.5 0.5 0.5 0.5
//? abs 0.001
//? expect 0.5 0.5 0.5 0.5
float4 k;
float4 main(float4 t : TEXCOORD0) : COLOR0
{
    float4 v = t * 0 + 0.5, w = t;
    for (int i = 0; i < 200; i++)
        v = v * 1.0;
    for (int j = 0; j < 60; j++)
        v = (v * 2) * 0.5 * k + 0.25;
    for (int n = 0; n < 100; n++)
        w = w * k + w.yzwx;
    return v + w * 0;
}
