// A product by a constant matrix is folded component by component: by the
// identity it is free, so 40 of them fit ps_2_0; by a matrix that swaps
// two components and halves a third, only the halving is an instruction.
// Ten of those, each doubled, leave (1024 * 0.5, 1024 * 0.25, 0.125,
// 1024 * 1); the identity halved and doubled keeps them.
//? entry ps_2_0 main()
//? ps c0 = 0.5 0.25 0.125 1
//? abs 0.01
//? expect 512 256 0.125 1024
float4 k;
static const float4x4 Swap = { 0, 1, 0, 0,  1, 0, 0, 0,  0, 0, 0.5, 0,  0, 0, 0, 1 };
float4 main(float4 t : TEXCOORD0) : COLOR0
{
    float4x4 id = float4x4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    float4 v = t * 0 + k;
    for (int i = 0; i < 40; i++)
        v = mul(v, id);
    for (int j = 0; j < 10; j++)
        v = mul(v, Swap) * 2;
    return mul(v, float4x4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1) * 0.5) * 2;
}
