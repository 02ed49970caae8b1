// Without writes of the program's, a global reads its initializer: the
// effect writes it at BeginPass.
//? entry ps_3_0 main()
//? expect 1 -2 0.5 4
float4 tint = float4(1, -2, 0.5, 4);
float4 main() : COLOR0
{
    return tint;
}
