// register(c1) reserves c1; the two-register matrix (float4x2: one register
// per column) goes to the first range that fits, c2-c3, and the vector fills
// the gap at c0.
//? entry ps_3_0 main()
//? ps c0 = 1 1 1 1  2 2 2 2  3 0 0 0  4 0 0 0
//? expect 3 4 1 2
float4 x : register(c1);
float4 y;
float4x2 z;
float4 main() : COLOR0
{
    return float4(z[0], y.x, x.x);
}
