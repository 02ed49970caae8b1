// The type names Direct3D 9 predefines in capitals declare globals whose
// initial values the effect writes, and name casts and constructors there:
// DWORD an int (0xFFFFFFFF is -1), FLOAT, VECTOR a float4.
//? entry ps_3_0 main()
//? expect -1 2 0.5 4
DWORD mask = 0xFFFFFFFF;
FLOAT two = (DWORD)2.5;
VECTOR v = VECTOR(1, 2, 3, 4) / 2;
float last = v.w * 2;
float4 main() : COLOR0
{
    return float4(mask, two, v.x, last);
}
