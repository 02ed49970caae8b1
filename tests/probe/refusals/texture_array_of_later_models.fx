// Arrays of textures and multisampled textures are resources of shader
// model 4 and later.
//? entry ps_3_0 main()
//? error 9 't' is a Texture2DArray, which shader models 2 and 3 do not have
Texture2DArray t;
SamplerState s;
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return t.Sample(s, float3(uv, 0));
}
