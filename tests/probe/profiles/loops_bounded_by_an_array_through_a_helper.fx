// The counter may reach the array through a helper's parameter, or be
// stepped where it indexes (w[i++]): the array still bounds the loop, which
// unrolls in ps_2_0 and stops at the uniform's count.
//? entry ps_2_0 main()
//? ps c0 = 0.125 0 0 0  0.25 0 0 0  0.5 0 0 0  1 0 0 0
//? ps c4 = 2 3 0 0
//? expect 0.375 0.875 0 1
float w[4] : register(c0);
float2 n : register(c4);
float at(int k) { return w[k]; }
float4 main() : COLOR0
{
    float a = 0, b = 0;
    int j = 0;
    while (j < n.x) a += w[j++];
    for (int i = 0; i < n.y; i++) b += at(i);
    return float4(a, b, 0, 1);
}
