// sampler1D, 2D, 3D and CUBE do not convert into one another: tex2D of a
// samplerCUBE is an error (a plain sampler takes any read).
//? entry ps_3_0 main()
//? error 10 samplerCUBE
sampler plain;
samplerCUBE cube;
float4 main(float3 t : TEXCOORD0) : COLOR0
{
    float4 r = tex2D(plain, t.xy) + texCUBE(plain, t) + texCUBE(cube, t);
    return r + tex2D(cube, t.xy);
}
