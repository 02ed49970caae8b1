// [branch] keeps a jump and [flatten] computes both sides: not both on one
// if; each alone is taken.
//? entry ps_3_0 main()
//? error 10 [branch] and [flatten] contradict one another
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    float a = 0.5;
    [branch] if (uv.x > 2) a = 0;
    [flatten] if (uv.y > 2) a = 0;
    [branch] [flatten] if (uv.x > 3) a = 1;
    return float4(a, 0.25, 0, 1);
}
