// The program's registers, written after BeginPass, win over initializers.
//? entry ps_3_0 main()
//? ps c0 = 9 8 7 6
//? expect 9 8 7 6
float4 tint = float4(1, 2, 3, 4);
float4 main() : COLOR0
{
    return tint;
}
