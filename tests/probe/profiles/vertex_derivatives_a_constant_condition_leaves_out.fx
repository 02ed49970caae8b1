// ddx, ddy, fwidth and reads with a bias or derivatives are no vertex
// shader's, but only where they would run: behind a constant false
// condition, or in a helper's branch its constant argument rules out, the
// vertex shader compiles and draws.
//? entry vs_3_0 main()
//? expect 0.5 0.25 0 1
static const bool never = false;
sampler2D s;
samplerCUBE c;
float4 edge(float4 v, bool smooth)
{
    if (smooth) return fwidth(v) + tex2D(s, v.xy);
    return v * 0.5;
}
struct VOut { float4 p : POSITION; float4 t : TEXCOORD0; };
VOut main(float4 p : POSITION)
{
    VOut o;
    o.p = p;
    o.t = float4(0.5, 0, 0, 1);
    if (never) o.t = ddx(p) + ddy(p) + tex2Dbias(s, p) + texCUBEbias(c, p) + tex2Dproj(s, p);
    o.t.y = edge(float4(0.5, 0.5, 0, 0), false).x;
    return o;
}
