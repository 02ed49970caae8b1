// lit, sign and faceforward in the initial value of a static, a static
// const and a parameter give the values they give in code.
//? entry ps_3_0 main()
//? size 4 1
//? expect at 0 0 = 1 0.5 0.25 1
//? expect at 1 0 = 1 -1 0 1
//? expect at 2 0 = -1 -2 1 1
//? expect at 3 0 = 1 0.5 0.25 1
static float4 a = lit(0.5, 0.5, 2);
static const float4 b = sign(float4(2, -0.5, 0, 7));
static float2 c = faceforward(float2(1, 2), float2(1, 0), float2(1, 0));
float4 d = lit(0.5, 0.5, 2);
float4 main(float2 p : VPOS) : COLOR0
{
    if (p.x == 0) return a;
    if (p.x == 1) return b;
    if (p.x == 2) return float4(c, 1, 1);
    return d;
}
