// vs_2_0 and ps_2_0: texld through s0, whose texture the pass puts on
// stage 0; the image is missing, so it reads the 8 x 8 checkerboard
// (magenta where x + y is even). Def constants halve the coordinates
// and move them to texel centres: pixel (x, y) reads texel (x, y).
//? abs 0.001
//? warning 10 cannot
//? expect at 0 0 = 1 0 1 1
//? expect at 1 0 = 0 0 0 1
//? expect at 1 1 = 1 0 1 1
texture Checker < string ResourceName = "not_here.png"; >;
VertexShader Pass = asm {
    vs_2_0
    dcl_position v0
    dcl_texcoord0 v1
    mov oPos, v0
    mov oT0, v1
};
technique T
{
    pass P
    {
        Texture[0] = <Checker>;
        MinFilter[0] = POINT;
        MagFilter[0] = POINT;
        VertexShader = (Pass);
        PixelShader = asm {
            ps_2_0
            def c0, 0.5, 0.5, 0, 0
            def c1, 0.0625, 0.0625, 0, 0
            dcl t0.xy
            dcl_2d s0
            mad r1, t0, c0, c1
            texld r0, r1, s0
            mov oC0, r0
        };
    }
}
