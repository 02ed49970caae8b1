// Each stage allocates its own registers: what the vertex shader reads and
// what the pixel shader reads both start at c0.
//? vs c0 = 1 2 3 4
//? ps c0 = 10 20 30 40
//? expect 11 22 33 44
float4 forVertices;
float4 forPixels;
struct V { float4 position : POSITION; float4 value : TEXCOORD0; };
V vs_main(float4 position : POSITION)
{
    V o;
    o.position = float4(position.xyz, 1);
    o.value = forVertices;
    return o;
}
float4 ps_main(float4 value : TEXCOORD0) : COLOR0
{
    return value + forPixels;
}
technique T { pass P { VertexShader = compile vs_3_0 vs_main(); PixelShader = compile ps_3_0 ps_main(); } }
