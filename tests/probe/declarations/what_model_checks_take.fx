// What the refusals of class, type names as names and vertex shaders
// without POSITION leave taken: a struct, half variables, and a POSITION
// written through an out parameter of the vertex shader (the pixel
// shader reads the colour it passes on).
//? ulps 16
//? expect 0.25 0.5 0.75 1
struct Material { half4 colour; };
void vs_main(float4 p : POSITION, out float4 colour : COLOR0, out float4 position : POSITION)
{
    position = p;
    colour = float4(0.25, 0.5, 0.75, 1);
}
float4 ps_main(float4 colour : COLOR0) : COLOR0
{
    half scale = 1;
    Material m;
    m.colour = colour * scale;
    return m.colour;
}
technique T { pass P { VertexShader = compile vs_3_0 vs_main(); PixelShader = compile ps_3_0 ps_main(); } }
