// Screen derivatives follow Direct3D 9's screen: x right, y down.
//? entry ps_3_0 main()
//? expect 1 0 1 2
float4 main(float2 vpos : VPOS) : COLOR0
{
    return float4(ddx(vpos.x), ddx(vpos.y), ddy(vpos.y), fwidth(vpos.x + vpos.y));
}
