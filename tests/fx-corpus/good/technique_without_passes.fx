float4 time : register(c0);
float4 side : register(c1);
float4 up : register(c2);
float4x4 viewProj : register(c4);

struct VS_OUTPUT {
    float4 position : POSITION;
    float4 color : COLOR0;
};

VS_OUTPUT vs_main(float3 position : POSITION, float4 diffuse : COLOR0, float4 corner : TEXCOORD0)
{
    VS_OUTPUT output;
    output.position = mul(viewProj, float4(position, 1.0));
    output.color = diffuse;
    return output;
}

float4 ps_main(float4 color : COLOR0) : COLOR0
{
    return color;
}

technique Main
{
}
