// A shader array indexed by arithmetic on an int global and a static
// const; the vertex shader set to NULL gets the stand-in stage.
//? expect 0.75 0.5 0.25 1
int Quality = 3;
static const int Lowest = 1;
float4 ps_main(uniform float k) : COLOR0 { return float4(k, 0.5, 0.25, 1); }
PixelShader Levels[4] = {
    compile ps_2_0 ps_main(0),
    compile ps_2_0 ps_main(0.25),
    compile ps_2_0 ps_main(0.75),
    compile ps_2_0 ps_main(1),
};
technique T
{
    pass
    {
        VertexShader = NULL;
        PixelShader = (Levels[Quality - Lowest]);
    }
}
