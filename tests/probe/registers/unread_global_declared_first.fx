// A global the stage does not read, declared before the matrix it does:
// the matrix still has all four of its registers.
//? vs c0 = 1 0 0 0  0 2 0 0  0 0 3 0  0 0 0 0.5
//? expect 1 4 9 2
float4 Unread;
float4x4 Scale;
void vs_main(float3 position : POSITION, out float4 clip : POSITION, out float4 t : TEXCOORD0)
{
    clip = float4(position, 1);
    t = mul(float4(1, 2, 3, 4), Scale);
}
float4 ps_main(float4 t : TEXCOORD0) : COLOR0 { return t; }
technique T { pass { VertexShader = compile vs_3_0 vs_main(); PixelShader = compile ps_3_0 ps_main(); } }
