// An element past the end of a shader array, by number or by the initial
// value of the int parameter that indexes it, is an error at the index.
//? error 11 index 3 is past the end of 'Variants'
int Variant = 3;
float4 ps_main(uniform float k) : COLOR0 { return k; }
PixelShader Variants[3] = { compile ps_2_0 ps_main(0), compile ps_2_0 ps_main(1), compile ps_2_0 ps_main(2) };
technique T
{
    pass
    {
        PixelShader = (Variants[Variant]);
    }
}
