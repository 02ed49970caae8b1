// What the effect framework takes and this program has no use for loads
// with warnings: state blocks on numeric variables (both forms), indexed
// states of the fixed-function pipeline, fixed-function states, { } lists
// and unknown names; Texture[0], Sampler[1] and MinFilter[0] bind.
//? warning 9 the state block of 'Speed' is ignored
//? expect 0.5 0.25 1 1
float4 Tint = { 0.5, 0.25, 1, 1 };
float Speed
{
    MinValue = 0;
    MaxValue = 10;
};
int Steps = { Minimum = 1; Maximum = 8; };
float4x4 World : WORLD;
texture Unused;
sampler2D Plain = sampler_state { Texture = <Unused>; };
float4 ps_main() : COLOR0 { return Tint; }
technique T
{
    pass
    {
        PixelShader = compile ps_2_0 ps_main();
        Texture[0] = <Unused>;
        Sampler[1] = (Plain);
        LightEnable[0] = TRUE;
        Lighting = FALSE;
        AlphaRef = 0x80 + 1;
        FogColor = (float4)0;
        VertexShaderConstant4[0] = <World>;
        PixelShaderConstantF[1] = { 1, 2, 3, 4 };
        MinFilter[0] = LINEAR;
        NotAState = 3 * 4;
    }
}
