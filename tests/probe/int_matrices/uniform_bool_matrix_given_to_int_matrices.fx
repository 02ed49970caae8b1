// A uniform bool matrix given to an int matrix (an initializer, an
// assignment, a parameter taken in or inout, a cast) reads its registers
// as bools first: 0.5 is true, so 1, where an int would truncate it to 0.
//? entry ps_3_0 main()
//? size 3 1
//? ps c4 = 0.5 0 0 0  -2.5 3 0 0
//? ps c6 = 0 0.25 0 0  1 0 0 0
//? expect at 0 0 = 1 0 1 1
//? expect at 1 0 = 1 0 1 1
//? expect at 2 0 = 2 0 2 2
row_major bool2x2 u : register(c4);
row_major bool2x2 ua[1] : register(c6);
float4 Read(int2x2 m) { return float4(m[0], m[1]); }
float4 Twice(inout int2x2 m) { m = m * 2; return float4(m[0], m[1]); }
float4 main(float2 p : VPOS) : COLOR0
{
    int2x2 a = u;
    int2x2 b;
    b = u;
    int3x3 c = 0;
    c = (int3x3)ua[0]._m01;
    if (p.x < 1) return float4(a[0], b[1]);
    if (p.x < 2) return Read(u) * float4(1, 1, 1, c[2].y);
    return Twice(u);
}
