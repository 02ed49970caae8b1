// any, all and determinant take a matrix whole; ! works per element.
//? entry ps_3_0 main()
//? ps c0 = 0 1 0 0  2 0 0 0
//? ps c2 = 1 2 0 0  3 4 0 0
//? expect 1 0 -2 1
row_major float2x2 a : register(c0);
row_major float2x2 b : register(c2);
float4 main() : COLOR0
{
    float2x2 n = !a;
    return float4(any(a), all(a), determinant(b), n._11 * all(b));
}
