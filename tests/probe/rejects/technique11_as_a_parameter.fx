// technique11 is an effect keyword: not a parameter's name.
//? entry ps_3_0 main()
//? error 4 technique11
float4 scale(float4 technique11) { return technique11 * 2; }
float4 main() : COLOR0
{
    return scale(0.25);
}
