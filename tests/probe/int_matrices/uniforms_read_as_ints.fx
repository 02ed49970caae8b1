// A uniform matrix of ints or bools reads its float registers as an int or
// bool vector does: each element truncated toward zero, or 0 and 1.
//? entry ps_3_0 main()
//? size 2 1
//? ps c0 = 1.75 -2.5 0 0  0.25 3.5 0 0
//? ps c2 = 0.5 0 0 0  -2 0 0 0
//? expect at 0 0 = 1 -2 0 3
//? expect at 1 0 = 1 0 1 0
row_major int2x2 k : register(c0);
row_major bool2x2 b : register(c2);
float4 main(float2 p : VPOS) : COLOR0
{
    if (p.x < 1) return float4(k[0], k._21_22);
    return float4(b[0], b[1]);
}
