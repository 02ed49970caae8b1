// ps_2_a has the gradient instructions.
//? entry ps_2_a main()
//? abs 1e-6
//? expect 0.25 0 0 0.25
float4 main(float4 uv : TEXCOORD0) : COLOR0
{
    return float4(ddx(uv.x), ddx(uv.y), ddy(uv.x), ddy(uv.y));
}
