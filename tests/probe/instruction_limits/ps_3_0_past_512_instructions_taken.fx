// Shader model 3's 512 instruction slots are the least a device has (up
// to 32768): 601 multiply-adds unrolled compile. k is 0, so each turn
// turns (1, 2, 3, 4) by one component.
//? entry ps_3_0 main()
//? expect 0.25 0.375 0.5 0.125
float4 k;
float4 main(float4 t : TEXCOORD0) : COLOR0
{
    float4 v = t * k + float4(1, 2, 3, 4);
    [unroll] for (int i = 0; i < 601; i++)
        v = v * k + v.yzwx;
    return v / 8;
}
