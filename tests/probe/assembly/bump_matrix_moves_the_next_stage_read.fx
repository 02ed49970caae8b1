// texbem (ps_1_1) reads stage 1 at t1 moved by stage 1's bump matrix times
// the red and green of t0. Both stages hold the 8 x 8 checkerboard; t0
// reads one texel right of t1, so where t1's texel is black t0 reads
// magenta (red 1, green 0, blue 1): the read moves by M00 = 2 texels
// across and M01 = 1 texel down, onto magenta. M11 would move it one more
// texel down (back onto black) if blue were taken for green, and M10 in
// place of M01 would not move it down at all.
//? abs 0.001
//? warning 11 cannot
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
        BumpEnvMat00[1] = 0.25;
        BumpEnvMat01[1] = 0.125;
        BumpEnvMat10[1] = 0;
        BumpEnvMat11[1] = 0.125;
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
            texbem t1, t0
            mov r0, t1
        };
    }
}
