// Matrices of ints are refused at their first use, clearly (a float matrix
// holds the same values); a function no entry point reaches may keep one.
//? entry ps_3_0 main()
//? error 9 matrices of ints
int2x2 Unused(int2x2 a) { return a * 2; }
float2x2 m;
float4 main() : COLOR0
{
    int2x2 k = (int2x2)m;
    return float4(k[0], k[1]);
}
