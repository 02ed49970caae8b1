// Shader models 2 and 3 have no vertex index; SV_Position is POSITION.
//? entry vs_3_0 main()
//? error 5 names no register in vs_3_0
struct VOut { float4 p : SV_Position; float4 t : TEXCOORD0; };
VOut main(float4 p : POSITION, uint id : SV_VertexID)
{
    VOut o;
    o.p = p;
    o.t = id;
    return o;
}
