// A loop of ps_2_0 that counts down to a uniform stops at the start of the
// array its counter indexes: at most the array's four turns, its own test
// tried on each. The uniform bounds here stop it before, at and past the
// array's start; the last loop steps by 2 and reads w[m - 2], so it stops
// before m - 2 would pass the start.
//? entry ps_2_0 main()
//? ps c0 = 2 4 7 9  0.125 0 0 0  0.25 0 0 0  0.5 0 0 0  1 0 0 0
//? expect 1.5 1.875 1.875 1.25
float4 n : register(c0);
float w[4] : register(c1);
float4 main() : COLOR0
{
    float4 s = 0;
    for (int i = 3; i > 3 - n.x; --i)
        s.x += w[i];
    for (int j = 3; j > 3 - n.y; j--)
        s.y += w[j];
    int k = 3;
    while (k > 3 - n.z) {
        s.z += w[k];
        k -= 1;
    }
    for (int m = 5; m >= 5 - n.w; m -= 2)
        s.w += w[m - 2];
    return s;
}
