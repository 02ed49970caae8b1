// A texture read a profile lacks is named as written, though a 1D read is
// compiled as a 2D one.
//? entry ps_2_0 main()
//? error 8 'tex1Dlod' is not available in ps_2_0
sampler1D s;
float4 main(float4 uv : TEXCOORD0) : COLOR0
{
    return tex1Dlod(s, uv);
}
