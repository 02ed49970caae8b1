// VPOS is the pixel's position: (0, 0) at the top-left pixel, y down.
//? entry ps_3_0 main()
//? size 3 2
//? expect at 0 0 = 0 0 0 1
//? expect at 1 0 = 1 0 0 1
//? expect at 2 0 = 2 0 0 1
//? expect at 0 1 = 0 1 0 1
//? expect at 1 1 = 1 1 0 1
//? expect at 2 1 = 2 1 0 1
float4 main(float2 vpos : VPOS) : COLOR0
{
    return float4(vpos, 0, 1);
}
