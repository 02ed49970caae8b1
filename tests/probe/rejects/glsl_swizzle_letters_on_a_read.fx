// HLSL's swizzles are xyzw or rgba: GLSL's stpq are no swizzle of a texture
// read's value either.
//? entry ps_3_0 main()
//? error 8 'q' is no swizzle
sampler2D tex;
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return tex2D(tex, uv).q;
}
