// ps_2_0 reads COLOR0-1 and TEXCOORD0-7: TEXCOORD8 is an error.
//? entry ps_2_0 main()
//? error 4 TEXCOORD8
float4 main(float4 uv : TEXCOORD0, float4 more : TEXCOORD8) : COLOR0
{
    return uv + more;
}
