// An array of inputs takes a register per element: three from TEXCOORD6
// would reach TEXCOORD8, past the TEXCOORD0-7 ps_2_0 reads.
//? entry ps_2_0 main()
//? error 5 semantic 'TEXCOORD6' of an array of 3 is not available in ps_2_0
float4 main(float4 uv : TEXCOORD0, float4 more[3] : TEXCOORD6) : COLOR0
{
    return uv + more[0] + more[2];
}
