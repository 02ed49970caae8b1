// A matrix varying takes one register per column (the default packing): the
// other stage may read those registers as vectors, and a float3x3 read back
// as a matrix is the one written.
//? expect 5 2 12 7
void vs(float4 p : POSITION, out float4 clip : POSITION, out float4x4 m : TEXCOORD0,
        out float3x3 tbn : TEXCOORD4)
{
    clip = p;
    m = float4x4(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    tbn = float3x3(1, 2, 3, 4, 5, 6, 7, 8, 9);
}
float4 ps(float4 c0 : TEXCOORD0, float4 c1 : TEXCOORD1, float4 c3 : TEXCOORD3,
          float3x3 tbn : TEXCOORD4) : COLOR0
{
    return float4(c0.y, c1.x, c3.z, tbn[2].x);
}
technique T { pass P { VertexShader = compile vs_2_0 vs(); PixelShader = compile ps_2_0 ps(); } }
