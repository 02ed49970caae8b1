// A matrix reached through a typedef, of the matrix or of a struct holding
// one, is a matrix to every rule: * of two is element by element, a
// comparison is one per element, a cast to a column keeps the column.
//? entry ps_3_0 main()
//? ps c0 = 1 2 0 0  3 4 0 0
//? expect 1 8 1 3
typedef float2x2 M2;
struct Holder { M2 m; };
typedef Holder H;
typedef float1x2 R2;
row_major float2x2 a : register(c0);
float4 main() : COLOR0
{
    H h;
    h.m = a;
    M2 p = h.m * float2x2(1, 0, 1, 2);
    float2x2 big = h.m > 2.5;
    R2 r = (float2x1)h.m;
    return float4(p._11 + p._12, p._22, big._21 - big._12, r._12);
}
