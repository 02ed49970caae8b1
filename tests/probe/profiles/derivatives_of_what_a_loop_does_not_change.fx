// A derivative of what the loop on an input does not change is taken as
// outside it: ddx(u) is a quarter on a target four pixels wide, and the
// loop turns 0, 1, 2 and 3 times from left to right (u is 0 at the first
// pixel's centre).
//? entry ps_3_0 main()
//? abs 1e-5
//? expect at 0 0 = 0 0 0 1
//? expect at 1 1 = 0.25 0 0 1
//? expect at 2 2 = 0.5 0 0 1
//? expect at 3 3 = 0.75 0 0 1
float4 main(float4 uv : TEXCOORD0) : COLOR0
{
    float r = 0;
    for (int i = 0; i < uv.x * 4; i++)
        r += ddx(uv.x);
    return float4(r, 0, 0, 1);
}
