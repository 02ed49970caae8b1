// vs_3_0's outputs too: the channels a vertex shader does not write read
// (0, 0, 0, 1) in the pixel shader, a float3 colour (not clamped) and a
// float2 of a semantic of another name among them, and an output never
// written reads (0, 0, 0, 1) whole.
//? expect 2 -0.5 4.5 3
struct VsOut { float4 clip : POSITION; float3 colour : COLOR0; float2 n : NORMAL1; };
VsOut vs(float4 p : POSITION)
{
    VsOut o;
    o.clip = p;
    o.colour = float3(2, -0.5, 0.25);
    o.n = float2(0.5, 0.75);
    return o;
}
float4 ps(float4 colour : COLOR0, float4 n : NORMAL1, float4 never : TEXCOORD7) : COLOR0
{
    return float4(colour.xy, colour.z + colour.w + dot(n, float4(1, 1, 1, 2)),
                  never.w * 2 + dot(never, 1));
}
technique T { pass P { VertexShader = compile vs_3_0 vs(); PixelShader = compile ps_3_0 ps(); } }
