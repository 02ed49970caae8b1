// The fixed-function stand-in's colour (opaque white, alpha 255) is tested
// too: LESS than 255 fails.
//? warning 7 pass 'Fallback' has neither a vertex nor a pixel shader
//? expect 0 0 0 0
technique T
{
    pass Fallback
    {
        AlphaTestEnable = true;
        AlphaFunc = Less;
        AlphaRef = 255;
    }
}
