// Direct3D 9's samplers take no methods (tex2D reads one; Sample and its
// kin are texture objects'): an error at the method, a parameter's too.
//? error 6 'Linear' is a sampler2D, which has no method 'Sample'
sampler2D Linear;
float4 Read(samplerCUBE s, float3 d) { return s.SampleLevel(d, 0); }
float4 main(float2 uv : TEXCOORD0) : COLOR0 { return Linear.Sample(uv) + Read(uv.xyx); }
technique T { pass { PixelShader = compile ps_3_0 main(); } }
