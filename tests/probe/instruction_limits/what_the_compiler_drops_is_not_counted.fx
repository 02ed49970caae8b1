// Only reads that remain once the code is inlined count: a side a
// constant rules out, a result nobody uses. A side that depends on a
// uniform is computed too in ps_2_0, which has no branches.
//? entry ps_2_0 main()
//? abs 0.01
//? expect 0.5 0.5 0.5 0.5
sampler2D S;
static const bool deeper = false;
float4 hop(float4 c, bool read) { return read ? tex2D(S, c.xy) : c; }
float4 main(float2 t : TEXCOORD0) : COLOR0
{
    float4 c = hop(hop(hop(hop(tex2D(S, t), true), true), true), false);
    float4 unused = hop(hop(c, true), true);
    if (deeper)
        c = tex2D(S, c.xy);
    return c * 0.001 + 0.5;
}
