// An index that adds a constant to the counter moves the bound of a ps_2_0
// loop that ends on a uniform: w[i + 1] of an array of four stops at i < 3
// (the uniform bounds stop it before, at and past the array's length), and
// w[j - 2] runs j from 2 up to 6. c5, past the array, holds 8.
//? entry ps_2_0 main()
//? ps c0 = 2 4 7 9  0.125 0 0 0  0.25 0 0 0  0.5 0 0 0  1 0 0 0  8 8 8 8
//? expect 0.75 1.75 1.75 1.875
float4 n : register(c0);
float w[4] : register(c1);
float4 main() : COLOR0
{
    float4 s = 0;
    for (int i = 0; i < n.x; i++)
        s.x += w[i + 1];
    for (int i = 0; i < n.y; i++)
        s.y += w[1 + i];
    for (int i = 0; n.z > i; ++i)
        s.z += w[i + 1];
    for (int j = 2; j < n.w; j++)
        s.w += w[j - 2];
    return s;
}
