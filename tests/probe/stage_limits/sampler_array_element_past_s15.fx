// A sampler array's elements take registers in a row: element 16 would be
// s16 at best, past the 16 a pixel shader has.
//? error 7 ps_3_0 has samplers s0 to s15; element 16 of 'many' would be s16
sampler2D many[17];
float4 main(float2 t : TEXCOORD0) : COLOR0
{
    return tex2D(many[16], t);
}
technique T { pass P { PixelShader = compile ps_3_0 main(); } }
