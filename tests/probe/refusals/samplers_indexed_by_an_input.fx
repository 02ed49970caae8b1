// An index into an array of samplers must be a literal once loops unroll:
// an input, or a local that holds one, is read at run time.
//? entry ps_3_0 main()
//? error 10 a sampler array index the shader reads at run time
sampler2D layers[2];
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    int k = (int)(uv.x * 2);
    k = min(k, 1);
    return tex2D(layers[k], uv);
}
