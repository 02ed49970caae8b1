// A constant array indexed at run time holds all of its elements in
// registers: past the profile's it is an error, which names no variable
// the effect did not write.
//? error 12 a constant array is indexed at run time
static const float Table[40] = {
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1 };
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return Table[(int)(uv.x * 39)];
}
technique T { pass { PixelShader = compile ps_2_0 main(); } }
