// At run time ints are floats: a product passes 2^31 without wrapping, a cast
// keeps a float past the int range, and ints still index arrays, count loops
// and take the truncated remainder.
//? entry ps_3_0 main()
//? ps c0 = 65536 3e9 2 -3
//? expect 4294967296 3000000000 7 3
float4 v : register(c0);
static const float table[4] = {1, 3, 7, 15};
float4 main() : COLOR0
{
    int a = (int)v.x;
    int big = (int)v.y;
    int k = (int)v.z;
    int n = 0;
    for (int i = 0; i < k * 2; i++) n += 1;
    return float4(a * a, big, table[k], n + (int)v.w % 2);
}
