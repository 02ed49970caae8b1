// ps_2_0 takes a read four levels deep: the first at the texture
// coordinates as they come in, each next one at the last one's result.
//? entry ps_2_0 main()
//? abs 0.01
//? expect 0.5 0.5 0.5 0.5
sampler2D S;
float4 main(float2 t : TEXCOORD0) : COLOR0
{
    float4 c = tex2D(S, t);
    c = tex2D(S, c.xy);
    c = tex2D(S, c.yx);
    c = tex2D(S, c.zw);
    return c * 0.001 + 0.5;
}
