// '?:' between two structs of one type, and between two reads of samplers.
//? entry ps_3_0 main()
//? expect 0.5 0.25 0 1
struct A { float k; };
sampler2D s;
sampler2D t;
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    A a, b;
    a.k = 0.5; b.k = 0.25;
    A c = uv.x > 2 ? b : a;
    float4 read = uv.x > 2 ? tex2D(s, uv) : tex2D(t, uv);
    return float4(c.k, 0.25, 0, 1) + read * 0;
}
