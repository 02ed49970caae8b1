// ps_1_4's bem: the coordinates in r2 moved by the bump matrix of r1's
// stage times r0's red and green, then read in the second phase. r0 is
// magenta where r2's texel is black: M01 moves that read one texel down,
// onto magenta; M00 of 1 would move everything if the stage were wrong.
//? abs 0.001
//? warning 8 cannot
//? expect 1 0 1 1
texture Checker < string ResourceName = "not_here.png"; >;
technique T
{
    pass P
    {
        Texture[0] = <Checker>;
        Texture[1] = <Checker>;
        MinFilter[0] = POINT;
        MagFilter[0] = POINT;
        MinFilter[1] = POINT;
        MagFilter[1] = POINT;
        BumpEnvMat01[1] = 0.125;
        BumpEnvMat00[0] = 0.125;
        VertexShader = asm {
            vs_1_1
            dcl_position v0
            dcl_texcoord0 v1
            def c0, 0.5, 0.5, 0, 0
            def c1, 0.0625, 0.0625, 0, 0
            def c2, 0.1875, 0.0625, 0, 0
            mov oPos, v0
            mad oT0, v1, c0, c2
            mad oT1, v1, c0, c1
        };
        PixelShader = asm {
            ps_1_4
            texld r0, t0
            texcrd r2.rgb, t1
            bem r1.rg, r2, r0
            phase
            texld r1, r1
            mov r0, r1
        };
    }
}
