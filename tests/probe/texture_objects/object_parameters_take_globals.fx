// A function's texture and sampler objects are the globals its calls name;
// anything else in their place (here a name declared nowhere) is an error
// at that argument.
//? error 8 the sampler object 's' of 'Read' needs a global one's name here
Texture2D Checker;
float4 Read(Texture2D t, SamplerState s, float2 uv) { return t.Sample(s, uv); }
float4 main(float2 uv : TEXCOORD0) : COLOR0
{   return Read(Checker, Missing, uv); }
technique T { pass { PixelShader = compile ps_3_0 main(); } }
