// A function called from the shader must be defined somewhere; the error is
// at the call (glslang's said nothing of where).
//? entry ps_3_0 main()
//? error 8 'shade': a function declared but never defined
float shade(float x);
float4 main(float2 t : TEXCOORD0) : COLOR0
{
    return float4(shade(t.x), 0.25, 0, 1);
}
