// vs_3_0 has the samplers s0 to s3: one bound to s4 is an error at its
// read, though it is the shader's only sampler.
//? error 7 vs_3_0 has samplers s0 to s3; 'late' is bound to s4
sampler2D late : register(s4);
float4 main(float4 p : POSITION) : POSITION
{
    return p + tex2Dlod(late, p);
}
technique T { pass P { VertexShader = compile vs_3_0 main(); } }
