// Shader variables named in a pass in each spelling: bare, (name), <name>,
// and an array element by number.
//? expect 0.25 0.5 1 1
float4 ps_main(uniform float4 c) : COLOR0 { return c; }
float4 ps_other() : COLOR0 { return 0; }
PixelShader Other = compile ps_2_0 ps_other();
PixelShader Pair[2] = { compile ps_2_0 ps_other(), compile ps_2_0 ps_main(float4(0.25, 0.5, 1, 1)) };
PixelShader Chosen = compile ps_2_0 ps_main(float4(0.25, 0.5, 1, 1));
technique T
{
    pass { PixelShader = Other; PixelShader = <Other>; PixelShader = (Pair[1]); }
}
technique U { pass { PixelShader = (Chosen); } }
