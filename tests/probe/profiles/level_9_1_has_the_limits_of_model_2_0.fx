// ps_4_0_level_9_1 is ps_2_0 under a later compiler's name: no gradient
// instructions.
//? entry ps_4_0_level_9_1 main()
//? error 7 ddx
float4 main(float4 uv : TEXCOORD0) : COLOR0
{
    return ddx(uv.x);
}
