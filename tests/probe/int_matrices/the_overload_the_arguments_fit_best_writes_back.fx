// Of two overloads writing a matrix back, the one whose other argument's
// kind fits (a float literal, an int variable) is called; what it writes
// into the int matrix is truncated, or 0 / 1 from a bool matrix.
//? entry ps_3_0 main()
//? ps c0 = 2.5 0 0 0
//? expect 1 1 3.5 3.5
float4 k : register(c0);
void Fill(out float2x2 r, float v) { r = v - 0.25; }
void Fill(out bool2x2 r, int v) { r = v * 3; }
float4 main() : COLOR0
{
    int2x2 a, b;
    int n = k.x;
    Fill(a, 1.5);
    Fill(b, n);
    return float4(a[0], b[1] * 3.5);
}
