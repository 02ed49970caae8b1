// A function's texture and sampler objects are read as the globals each
// call passes; one that passes its own on names no global: an error there.
//? error 8 the texture object 't' of 'Read' needs a global one's name here
Texture2D Checker;
SamplerState Linear { Filter = MIN_MAG_MIP_LINEAR; };
float4 Read(Texture2D t, SamplerState s, float2 uv) { return t.Sample(s, uv); }
float4 Twice(Texture2D t, SamplerState s, float2 uv)
{ return 2 * Read(t, s, uv); }
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return Twice(Checker, Linear, uv);
}
technique T { pass { PixelShader = compile ps_3_0 main(); } }
