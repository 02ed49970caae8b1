// Each texture read names its sampler: an index into samplers that a loop
// unrolls to is one, an index read from a uniform is an error.
//? entry ps_3_0 main()
//? error 11 sampler
sampler2D layers[2];
int which;
float4 main(float4 uv : TEXCOORD0) : COLOR0
{
    float4 c = 0;
    for (int i = 0; i < 2; i++) c += tex2D(layers[i], uv.xy);
    return c + tex2D(layers[which], uv.xy);
}
