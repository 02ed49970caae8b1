// A message names such a local as the effect spells it.
//? error 7 'layout'
float4 PS() : COLOR0
{
    float layout = 1;
    float4 c = 0;
    return c + layout(2);
}
technique T { pass { PixelShader = compile ps_2_0 PS(); } }
