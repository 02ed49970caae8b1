// ps_2_0 has no loop instructions, yet a loop that ends on a uniform runs
// when its counter indexes an array: it unrolls to the array's length and
// tries its own test on each turn. The bounds here are smaller than, equal
// to and larger than the uniform array's four; the last loop walks a local
// array of three.
//? entry ps_2_0 main()
//? ps c0 = 2 4 7 0  0.125 0 0 0  0.25 0 0 0  0.5 0 0 0  1 0 0 0
//? expect 0.375 1.875 1.875 3
float4 n : register(c0);
float w[4] : register(c1);
float4 main() : COLOR0
{
    float4 s = 0;
    for (int i = 0; i < n.x; i++)
        s.x += w[i];
    for (int j = 0; j < n.y; j++)
        s.y += w[j];
    for (int k = 0; n.z > k; ++k)
        s.z += w[k];
    float a[3] = {1, 2, 4};
    int m = 0;
    while (m < n.x) {
        s.w += a[m];
        m += 1;
    }
    return s;
}
