// Two samplers a shader reads may not name one register.
//? error 10 both read at register s1
sampler2D a : register(s1);
sampler2D b : register(s1);
float4 ps_main(float2 t : TEXCOORD0) : COLOR0
{
    return tex2D(a, t) + tex2D(b, t);
}
technique T { pass P {
    PixelShader = compile ps_2_0 ps_main(); } }
