// A static or local array indexed at run time needs all of its elements in
// registers at once: past the profile's registers (ps_3_0 has 224) it is an
// error at the compile statement, found before the driver is given it.
//? error 14 'big' is indexed at run time, so all of its 60000 registers
static float4 big[60000];
static float4 small[200];
int i;
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    big[i] = uv.xyxy;
    small[i] = uv.yxyx;
    return big[i + 1] + small[i];
}
technique T { pass { PixelShader = compile ps_3_0 main(); } }
