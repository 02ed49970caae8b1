// Ordered dithering: a static const 4 x 4 Bayer matrix indexed by the
// pixel's VPOS modulo 4, compared to a threshold as 0 or 1.
//? entry ps_3_0 main()
//? size 4 4
//? abs 1e-4
//? expect at 0 0 = 1 0.03125 0 1
//? expect at 1 0 = 0 0.53125 0 1
//? expect at 2 0 = 1 0.15625 0 1
//? expect at 3 0 = 0 0.65625 0 1
//? expect at 0 1 = 0 0.78125 0 1
//? expect at 1 1 = 1 0.28125 0 1
//? expect at 2 1 = 0 0.90625 0 1
//? expect at 3 1 = 1 0.40625 0 1
//? expect at 0 2 = 1 0.21875 0 1
//? expect at 1 2 = 0 0.71875 0 1
//? expect at 2 2 = 1 0.09375 0 1
//? expect at 3 2 = 0 0.59375 0 1
//? expect at 0 3 = 0 0.96875 0 1
//? expect at 1 3 = 1 0.46875 0 1
//? expect at 2 3 = 0 0.84375 0 1
//? expect at 3 3 = 1 0.34375 0 1
static const float4x4 Bayer = {
     0,  8,  2, 10,
    12,  4, 14,  6,
     3, 11,  1,  9,
    15,  7, 13,  5 };
float4 main(float2 vpos : VPOS) : COLOR
{
    int2 p = (int2)fmod(vpos, 4);
    float threshold = (Bayer[p.y][p.x] + 0.5) / 16;
    return float4(0.5 >= threshold, threshold, 0, 1);
}
