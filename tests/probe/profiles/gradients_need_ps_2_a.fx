// ps_2_0 has no gradient instructions: ddx, ddy, fwidth and tex*grad are errors there.
//? entry ps_2_0 main()
//? error 6 ddx
float4 main(float4 uv : TEXCOORD0) : COLOR0
{
    return ddx(uv.x);
}
