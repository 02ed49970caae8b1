// '*' between two matrices of ints multiplies element by element, as it
// does for float matrices; mul gives the matrix product; both are whole.
//? entry ps_3_0 main()
//? ps c0 = 1.5 2.5 0 0  3.9 -1.2 0 0
//? expect 2 6 9 1
row_major float2x2 m : register(c0);
float4 main() : COLOR0
{
    int2x2 a = (int2x2)m;            // 1 2 / 3 -1
    int2x2 b = int2x2(2, 3, 3, -1);
    int2x2 e = a * b;                // 2 6 / 9 1
    return float4(e[0], e[1]);
}
