// A modelling package's material: map channels and light references in
// annotations, a map left without a file (ResourceName ""), inputs of a mesh
// the stream lacks (they read (0, 0, 0, 1)), and CullMode = CW for the
// package's handedness, so the quad is drawn the other way round.
//? winding ccw
//? expect 0.5 0.5 0.5 1
int texcoord0 : Texcoord < int Texcoord = 0; int MapChannel = 1; string UIWidget = "None"; >;
texture normalMap < string UIName = "Normal"; string ResourceType = "2D"; string ResourceName = ""; >;
float4 light1Color : LIGHTCOLOR < int LightRef = 1; string UIWidget = "None"; > = {1.0f, 1.0f, 1.0f, 1.0f};
float bumpScale < string UIName = "Bump"; string UIType = "FloatSpinner"; float UIMin = -1.0f; float UIMax = 1.0f; > = 0.5f;
sampler2D normalSampler = sampler_state { Texture = <normalMap>; MinFilter = Linear; MagFilter = Linear; };
struct a2v { float4 position : POSITION; float2 texCoord : TEXCOORD0; float3 normal : NORMAL; float3 tangent : TANGENT; };
struct v2f { float4 position : POSITION; float2 texCoord : TEXCOORD0; float4 n : TEXCOORD1; };
v2f v(a2v In)
{
    v2f Out;
    Out.position = In.position;
    Out.texCoord = In.texCoord;
    Out.n = float4(In.normal + In.tangent, 1);
    return Out;
}
float4 f(v2f In) : COLOR
{
    float4 n = tex2D(normalSampler, In.texCoord) + In.n;  // (0, 0, 0, 2)
    return float4(bumpScale.xxx, n.w * 0.5) * light1Color + float4(n.xyz, 0);
}
technique Complete
{
    pass envPass
    {
        VertexShader = compile vs_2_0 v();
        ZEnable = true;
        CullMode = cw;
        PixelShader = compile ps_2_0 f();
    }
}
