// A texture object's methods other than the four Sample reads have no
// shader-model-2/3 read: an error at the method.
//? error 7 'Load' of a texture object has no shader-model-2/3 read
Texture2D Checker;
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return Checker.Load(int3(uv, 0));
}
technique T { pass { PixelShader = compile ps_3_0 main(); } }
