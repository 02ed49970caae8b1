// A pixel shader writes COLOR0-3 and DEPTH: COLOR4 is an error.
//? entry ps_3_0 main()
//? error 4 COLOR4
float4 main(out float4 extra : COLOR4) : COLOR0
{
    extra = 1;
    return 0.5;
}
