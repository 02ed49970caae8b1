// dot of int, uint and bool vectors sums the products, folded from
// constants or computed; an int result divides as an int.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 11 6 23 2
float4 v;
static const int2 K = int2(2, 3);
float4 main() : COLOR0
{
    int2 a = int2(1, 2) * (int)v.x;
    float computed = dot(a, int2(3, 4)) - dot(int2(1, 2), int2(3, 4));
    int halved = dot(K, int2(1, 1)) / 2;
    return float4(dot(int2(1, 2), int2(3, 4)) + computed, dot(int3(1, 2, 3), int3(1, 1, 1)),
                  dot(uint2(2, 3), uint2(4, 5)), halved + dot(bool2(true, true), bool2(false, true)) - 1);
}
