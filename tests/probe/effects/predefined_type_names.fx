// The type names Direct3D 9 predefines in capitals (DWORD is an int,
// VECTOR a float4, MATRIX a float4x4), doubles as floats, float1 as a
// float, and an integer literal multiplied by mul.
//? entry ps_3_0 main()
//? ps c0 = 3 0 0 0  0.5 0 0 0  1 2 3 4  0.25 0 0 0
//? ps c4 = 1 0 0 0  0 2 0 0  0 0 3 0  0 0 0 4
//? expect 3.5 4 9 16
DWORD Count : register(c0);
FLOAT Half : register(c1);
VECTOR Base : register(c2);
double Quarter : register(c3);
MATRIX Scale : register(c4);
float4 main() : COLOR0
{
    float1 one = 1;
    double2 pair = double2(Count, Half);
    VECTOR r = mul(Base, Scale);
    r.x = pair.x + pair.y * one;
    return r + mul(0, Quarter);
}
