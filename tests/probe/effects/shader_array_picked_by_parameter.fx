// An array of shader variables; the pass picks an element by an int
// parameter, whose value (its initial one here) says which.
//? expect 0.75 0.5 0.25 1
int Variant = 2;
void vs_main(float3 position : POSITION, uniform float k, out float4 clip : POSITION,
             out float4 t : TEXCOORD0)
{
    clip = float4(position, 1);
    t = float4(k, 0.5, 0.25, 1);
}
float4 ps_main(float4 t : TEXCOORD0) : COLOR0 { return t; }
VertexShader Variants[3] = {
    compile vs_2_0 vs_main(0.25),
    compile vs_2_0 vs_main(0.5),
    compile vs_2_0 vs_main(0.75),
};
PixelShader Plain = compile ps_2_0 ps_main();
technique T
{
    pass
    {
        VertexShader = (Variants[Variant]);
        PixelShader = (Plain);
    }
}
