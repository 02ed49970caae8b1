// technique10 is an effect keyword, even where Direct3D 9 has no use for it.
//? entry ps_3_0 main()
//? error 4 technique10
float4 technique10() { return 0.5; }
float4 main() : COLOR0
{
    return technique10();
}
