// rcp, rsq, log (base 2) and frc on def constants, each into its own
// component through a write mask.
//? abs 0.0001
//? expect 0.25 0.5 2 0.5
technique T
{
    pass P
    {
        PixelShader = asm {
            ps_2_0
            def c0, 4, 0.25, 2.5, 0.5
            rcp r0.x, c0.x
            rsq r0.y, c0.x
            log r0.z, c0.x
            frc r0.w, c0.z
            mov oC0, r0
        };
    }
}
