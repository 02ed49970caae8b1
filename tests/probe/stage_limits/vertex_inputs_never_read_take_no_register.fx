// An input the vertex shader never names takes no register: 17 inputs
// of which it reads two compile.
//? entry vs_2_0 vs()
//? expect 0.25 0.5 0.75 1
float4 k;
struct VOut { float4 p : POSITION; float4 c : TEXCOORD0; };
VOut vs(float4 p : POSITION, float4 n : NORMAL, float4 t : TANGENT, float4 b : BINORMAL,
        float4 w : BLENDWEIGHT, float4 i : BLENDINDICES, float4 c0 : COLOR0, float4 c1 : COLOR1,
        float4 t0 : TEXCOORD0, float4 t1 : TEXCOORD1, float4 t2 : TEXCOORD2, float4 t3 : TEXCOORD3,
        float4 t4 : TEXCOORD4, float4 t5 : TEXCOORD5, float4 t6 : TEXCOORD6, float4 t7 : TEXCOORD7,
        float4 t8 : TEXCOORD8)
{
    VOut o;
    o.p = p;
    o.c = t8 * k + float4(0.25, 0.5, 0.75, 1);
    return o;
}
