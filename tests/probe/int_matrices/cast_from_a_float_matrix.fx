// A float matrix cast to a matrix of ints is truncated toward zero; a
// function no entry point reaches may hold one too.
//? entry ps_3_0 main()
//? ps c0 = 1.5 -2.5 0 0  2.99 -0.5 0 0
//? expect 1 -2 2 0
int2x2 Unused(int2x2 a) { return a * 2; }
row_major float2x2 m : register(c0);
float4 main() : COLOR0
{
    int2x2 k = (int2x2)m;
    return float4(k[0], k[1]);
}
