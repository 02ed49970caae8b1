// texbeml scales texbem's colour by t0's blue times BumpEnvLScale plus
// BumpEnvLOffset. t0 reads one texel right of t1 on the checkerboard: where
// t1's texel is magenta t0 is black (no move, luminance 0.25); where it is
// black t0 is magenta (blue 1), the read moves one texel down onto
// magenta, luminance 0.75.
//? abs 0.001
//? warning 10 cannot
//? expect at 0 0 = 0.25 0 0.25 0.25
//? expect at 1 0 = 0.75 0 0.75 0.75
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
        BumpEnvLScale[1] = 0.5;
        BumpEnvLOffset[1] = 0.25;
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
            ps_1_1
            tex t0
            texbeml t1, t0
            mov r0, t1
        };
    }
}
