// ps_3_0 reads ten input registers: the vertex shader's struct with its
// POSITION and ten TEXCOORDs is a pixel shader's input too, its POSITION
// read as VPOS is, on no input register.
//? size 2 1
//? expect at 0 0 = 55 0 0 1
//? expect at 1 0 = 55 1 0 1
struct VertexOut {
    float4 position : POSITION;
    float t0 : TEXCOORD0; float t1 : TEXCOORD1; float t2 : TEXCOORD2; float t3 : TEXCOORD3;
    float t4 : TEXCOORD4; float t5 : TEXCOORD5; float t6 : TEXCOORD6; float t7 : TEXCOORD7;
    float t8 : TEXCOORD8; float t9 : TEXCOORD9;
};
VertexOut vs_main(float4 p : POSITION)
{
    VertexOut o;
    o.position = p;
    o.t0 = 1; o.t1 = 2; o.t2 = 3; o.t3 = 4; o.t4 = 5;
    o.t5 = 6; o.t6 = 7; o.t7 = 8; o.t8 = 9; o.t9 = 10;
    return o;
}
float4 ps_main(VertexOut v) : COLOR0
{
    float sum = v.t0 + v.t1 + v.t2 + v.t3 + v.t4 + v.t5 + v.t6 + v.t7 + v.t8 + v.t9;
    return float4(sum, v.position.x, 0, 1);
}
technique T { pass P { VertexShader = compile vs_3_0 vs_main();
                       PixelShader = compile ps_3_0 ps_main(); } }
