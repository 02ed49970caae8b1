// texm3x2pad and texm3x2tex read stage 2 at (t1.t0, t2.t0): with t0 = (1, 0,
// 0) from texcoord and t1, t2 from the vertex shader that is texel (1, 1)
// of the missing image's checkerboard, magenta.
//? abs 0.001
//? warning 7 cannot
//? expect 1 0 1 1
texture Checker < string ResourceName = "not_here.png"; >;
technique T
{
    pass P
    {
        Texture[2] = <Checker>;
        MinFilter[2] = POINT;
        MagFilter[2] = POINT;
        VertexShader = asm {
            vs_1_1
            dcl_position v0
            def c0, 1, 0, 0, 1
            def c1, 0.1875, 0, 0, 0
            mov oPos, v0
            mov oT0, c0
            mov oT1, c1
            mov oT2, c1
        };
        PixelShader = asm {
            ps_1_1
            texcoord t0
            texm3x2pad t1, t0
            texm3x2tex t2, t0
            mov r0, t2
        };
    }
}
