// discard and clip drop pixels: a vertex shader has neither.
//? entry vs_3_0 main()
//? error 7 'clip' drops a pixel
struct VOut { float4 p : POSITION; float4 t : TEXCOORD0; };
VOut main(float4 p : POSITION)
{
    clip(p.x);
    VOut o;
    o.p = p;
    o.t = float4(0, 0, 0, 1);
    return o;
}
