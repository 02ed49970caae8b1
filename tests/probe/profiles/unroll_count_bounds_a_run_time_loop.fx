// [unroll(n)] unrolls a loop that ends on a register in ps_2_0, which has no
// loop instructions: n turns at most, each behind the loop's own test. A
// bound past n stops at n; a do loop takes its first turn untested.
//? entry ps_2_0 main()
//? ps c0 = 3 9 2 0
//? expect 3 5 2 2
float4 n : register(c0);
float4 main() : COLOR0
{
    float4 s = 0;
    [unroll(8)] for (int i = 0; i < n.x; i++)
        s.x += 1;
    [unroll(5)] for (int j = 0; j < n.y; j++)
        s.y += 1;
    int k = 0;
    [unroll(4)] do { s.z += 1; k++; } while (k < n.z);
    [unroll(2)] while (s.w < n.y)
        s.w += 1;
    return s;
}
