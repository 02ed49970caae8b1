// A sampler is read through the texture reads; it is no condition.
//? entry ps_3_0 main()
//? error 7 's' is a sampler: it is read through tex2D
sampler2D s;
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    if (s)
        return tex2D(s, uv);
    return 0.5;
}
