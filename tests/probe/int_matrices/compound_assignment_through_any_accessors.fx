// A compound assignment into an int matrix through a swizzle then an index,
// an element's swizzle, or with brackets around its left side: what it
// stores is truncated, and the left side is taken once.
//? entry ps_3_0 main()
//? ps c0 = 1.5 2.5 0.75 0
//? expect 2 0 5 2
float4 k : register(c0);
int next(inout int i) { return i++; }
float4 main() : COLOR0
{
    int2x2 m = int2x2(1, 2, 3, 4);
    int i = 1;
    m._21_22[next(i)] += k.x;   // m._22: 4 + 1.5 -> 5
    m[next(i) - 1][0].x *= k.y; // m._21: 3 * 2.5 -> 7
    (m)[0] -= k.zz;             // (0.25, 1.25) -> (0, 1)
    return float4(m[0][1] * 2, m[0][0], m[1][1], m[1][0] - 5);
}
