// vs_3_0 writes 12 output registers: POSITION and 12 texture coordinates are
// one too many.
//? entry vs_3_0 main()
//? error 6 'TEXCOORD11' is the 13th
struct VOut { float4 p : POSITION; float4 t[11] : TEXCOORD0;
              float4 last : TEXCOORD11; };
VOut main(float4 p : POSITION)
{
    VOut o = (VOut)0;
    o.p = p;
    return o;
}
