// A shader variable declared without a value (an array's elements too) is
// one the host program would set: until it does it holds NULL, and a pass
// that names it draws with no shader of that stage.
//? expect 0.75 0.5 0.25 1
VertexShader HostVertexShader;
pixelshader HostPixelShader;
VertexShader HostVertexShaders[2];
float4 ps_main() : COLOR0 { return float4(0.75, 0.5, 0.25, 1); }
technique T
{
    pass P
    {
        VertexShader = (HostVertexShaders[1]);
        PixelShader = compile ps_2_0 ps_main();
    }
}
technique HostOnly { pass P { VertexShader = <HostVertexShader>; PixelShader = <HostPixelShader>; } }
technique HostFirst { pass P { VertexShader = HostVertexShaders[0]; PixelShader = compile ps_2_0 ps_main(); } }
