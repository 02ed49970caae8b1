// ps_4_0_level_9_1 has ps_2_0's instructions: a loop that ends on a uniform
// unrolls to the length of the array its counter indexes, a float counter
// too; a bound past the array's two elements stops at two.
//? entry ps_4_0_level_9_1 main()
//? ps c0 = 1 3 0 0  0.25 0 0 0  0.5 0 0 0
//? expect 0.25 0.75 0 1
float4 n : register(c0);
float w[2] : register(c1);
float4 main() : COLOR0
{
    float4 s = float4(0, 0, 0, 1);
    for (float i = 0; i < n.x; i += 1)
        s.x += w[i];
    for (float j = 0; j < n.y; j++)
        s.y += w[j];
    return s;
}
