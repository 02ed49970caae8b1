// A local sampler stands for a global one, which it is given at once.
//? entry ps_3_0 main()
//? error 7 't': a local sampler needs a global sampler as its initial value
sampler2D s;
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    sampler2D t;
    return tex2D(t, uv);
}
