// An entry point's input needs a semantic, or 'uniform' for a value the
// program sets; glslang would read it as nothing.
//? entry ps_3_0 main()
//? error 5 needs a semantic
float4 main(float2 t : TEXCOORD0, float4 tint) : COLOR0
{
    return tint * t.x;
}
