// vs_3_sw and ps_3_sw, the software profiles of shader model 3, compile with
// every instruction of vs_3_0 and ps_3_0: a vertex texture read and a loop
// that ends on a register, and VPOS.
//? size 2 1
//? vs c0 = 3 0 0 0
//? expect at 0 0 = 0.75 0 0 1
//? expect at 1 0 = 0.75 1 0 1
float4 count : register(c0);
sampler2D Height;
struct VertexOut { float4 position : POSITION; float4 sum : TEXCOORD0; };
VertexOut vs_main(float4 p : POSITION)
{
    VertexOut o;
    o.position = p;
    o.sum = tex2Dlod(Height, float4(0, 0, 0, 0)).r;
    for (int i = 0; i < count.x; i++)
        o.sum.x += 0.25;
    return o;
}
float4 ps_main(float4 sum : TEXCOORD0, float2 pixel : VPOS) : COLOR0
{
    return float4(sum.x, pixel.x, 0, 1);
}
technique T { pass P { VertexShader = compile vs_3_sw vs_main();
                       PixelShader = compile ps_3_sw ps_main(); } }
