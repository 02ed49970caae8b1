// A pass with neither shader (the fixed-function fallback of older effects)
// loads with a warning; its stand-ins draw the vertex colour, opaque white
// here, at the untransformed position. Its fixed-function states are
// warnings of their own.
//? warning 10 pass 'Fallback' has neither a vertex nor a pixel shader
//? expect 1 1 1 1
texture Unused;
technique FixedFunction
{
    pass Fallback
    {
        Lighting = false;
        Texture[0] = <Unused>;
        ColorOp[0] = SelectArg2;
        ColorArg2[0] = Diffuse;
        VertexShader = NULL;
        PixelShader = NULL;
    }
}
