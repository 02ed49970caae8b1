// A pixel shader's input "TEXCOORD1_centroid" reads TEXCOORD1 (at the
// centroid); a vertex shader's input SV_Position is the stream's POSITION.
//? expect 0.5 0.25 0.125 1
struct VO { float4 p : SV_Position; float4 t : TEXCOORD1; float4 c : COLOR0; };
VO vs(float4 p : SV_Position)
{
    VO o;
    o.p = p;
    o.t = float4(0.5, 0.25, 0, 0);
    o.c = float4(0, 0, 0.125, 1);
    return o;
}
struct PI { float4 t : TEXCOORD1_centroid; };
float4 ps(PI i, float4 c : color0_Centroid) : SV_Target { return i.t + c; }
technique T { pass P { VertexShader = compile vs_3_0 vs(); PixelShader = compile ps_3_0 ps(); } }
