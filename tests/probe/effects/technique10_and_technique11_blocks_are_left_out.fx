// Direct3D 10 and 11 techniques written beside the Direct3D 9 ones, in
// their own pass syntax, are left out with a warning; the first technique
// block is the one drawn, even when a later-device block comes first.
//? warning 9 technique 'Modern' is a technique11 block
//? expect 0.25 0.5 0.75 1
float4 PS() : COLOR0 { return float4(0.25, 0.5, 0.75, 1); }
float4 Other() : COLOR0 { return float4(1, 0, 0, 1); }
float4 VS4(float4 p : POSITION) : SV_Position { return p; }
technique11 Modern
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_5_0, VS4()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_5_0, Other()));
    }
};
technique Classic { pass { PixelShader = compile ps_2_0 PS(); } }
technique10 Middle < string Group = "dx10"; > { pass { SetPixelShader(CompileShader(ps_4_0, Other())); } }
