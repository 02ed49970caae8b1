// A pixel shader's colour register is a float4: a scalar colour converts
// into it as any scalar into a vector, replicated into the four channels
// (an int one as the number it holds).
//? expect 0.5 0.5 0.5 0.5
float main() : COLOR0
{
    return 0.5;
}
technique T { pass P { PixelShader = compile ps_2_0 main(); } }
