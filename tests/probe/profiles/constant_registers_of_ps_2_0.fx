// ps_2_0 has the constant registers c0-c31: a global read at c40 is an error
// at its declaration.
//? error 4 c31
float4 tint : register(c40);
float4 ps_main() : COLOR0
{
    return tint;
}
technique T { pass P { PixelShader = compile ps_2_0 ps_main(); } }
