// The target's stencil starts at 0. With TwoSidedStencilMode the faces
// counter-clockwise on screen take the Ccw_ states: NEVER here.
//? winding ccw
//? expect 0 0 0 0
float4 ps_main() : COLOR0 { return float4(1, 1, 1, 1); }
technique T
{
    pass
    {
        PixelShader = compile ps_2_0 ps_main();
        StencilEnable = true;
        TwoSidedStencilMode = true;
        StencilFunc = Always;
        Ccw_StencilFunc = Never;
    }
}
