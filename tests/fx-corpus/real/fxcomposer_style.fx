// Lambert plus rim light, laid out the way shader-authoring tools write
// effects: a STANDARDSGLOBAL script block, string globals (one built from
// concatenated literals), UI annotations on every tweakable, transforms bound
// by semantic and annotated as hidden, a point light with an Object binding,
// and Script annotations on the technique and its pass. Float literals carry
// the 'f' suffix, and one tweakable is a bool.

float Script : STANDARDSGLOBAL <
    string UIWidget = "none";
    string ScriptClass = "object";
    string ScriptOrder = "standard";
    string ScriptOutput = "color";
    string Script = "Technique=Main;";
> = 0.8;

string ScriptClass = "object";
string Description = "Lambert diffuse with a rim light. "
                     "Point light in world space, "
                     "texture optional.";
string Category = "Corpus/Lighting";

float4x4 WorldITXf : WorldInverseTranspose < string UIWidget = "None"; >;
float4x4 WvpXf     : WorldViewProjection   < string UIWidget = "None"; >;
float4x4 WorldXf   : World                 < string UIWidget = "None"; >;
float4x4 ViewIXf   : ViewInverse           < string UIWidget = "None"; >;

float3 Lamp0Pos : Position <
    string Object = "PointLight0";
    string UIName = "Lamp 0 Position";
    string Space = "World";
> = { -0.5f, 2.0f, 1.25f };

float3 Lamp0Color : Specular <
    string UIName = "Lamp 0";
    string Object = "Pointlight0";
    string UIWidget = "Color";
> = { 1.0f, 1.0f, 1.0f };

float3 AmbiColor : Ambient <
    string UIName = "Ambient Light";
    string UIWidget = "Color";
> = { 0.07f, 0.07f, 0.07f };

float3 SurfaceColor : Diffuse <
    string UIName = "Surface";
    string UIWidget = "Color";
> = { 1.0f, 1.0f, 1.0f };

float RimPower <
    string UIWidget = "slider";
    float UIMin = 0.5;
    float UIMax = 8.0;
    float UIStep = 0.1;
    string UIName = "Rim Exponent";
> = 3.0f;

float3 RimColor < string UIName = "Rim"; string UIWidget = "Color"; > = { 0.3f, 0.4f, 0.6f };

bool UseTexture < string UIName = "Use Texture"; > = false;

texture ColorTexture : DIFFUSE <
    string ResourceName = "default_color.dds";
    string UIName = "Diffuse Texture";
    string ResourceType = "2D";
>;

sampler2D ColorSampler = sampler_state {
    Texture = <ColorTexture>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = LINEAR;
    AddressU = WRAP;
    AddressV = WRAP;
};

struct appdata {
    float3 Position : POSITION;
    float4 UV       : TEXCOORD0;
    float4 Normal   : NORMAL;
};

struct vertexOutput {
    float4 HPosition    : POSITION;
    float2 UV           : TEXCOORD0;
    float3 LightVec     : TEXCOORD1;
    float3 WorldNormal  : TEXCOORD2;
    float3 WorldView    : TEXCOORD3;
};

vertexOutput std_VS(appdata IN) {
    vertexOutput OUT = (vertexOutput)0;
    OUT.WorldNormal = mul(IN.Normal, WorldITXf).xyz;
    float4 Po = float4(IN.Position.xyz, 1);
    float3 Pw = mul(Po, WorldXf).xyz;
    OUT.LightVec = (Lamp0Pos - Pw);
    OUT.UV = IN.UV.xy;
    OUT.WorldView = normalize(ViewIXf[3].xyz - Pw);
    OUT.HPosition = mul(Po, WvpXf);
    return OUT;
}

float4 std_PS(vertexOutput IN) : COLOR {
    float3 Ln = normalize(IN.LightVec);
    float3 Nn = normalize(IN.WorldNormal);
    float3 Vn = normalize(IN.WorldView);
    float3 albedo = SurfaceColor;
    if (UseTexture)
        albedo *= tex2D(ColorSampler, IN.UV).rgb;
    float ldn = max(dot(Ln, Nn), 0.0f);
    float rim = pow(1.0f - saturate(dot(Nn, Vn)), RimPower);
    float3 result = albedo * (AmbiColor + Lamp0Color * ldn) + RimColor * rim;
    return float4(result, 1);
}

technique Main <
    string Script = "Pass=p0;";
> {
    pass p0 <
        string Script = "Draw=geometry;";
    > {
        VertexShader = compile vs_3_0 std_VS();
        ZEnable = true;
        ZWriteEnable = true;
        ZFunc = LessEqual;
        AlphaBlendEnable = false;
        CullMode = None;
        PixelShader = compile ps_3_0 std_PS();
    }
}
