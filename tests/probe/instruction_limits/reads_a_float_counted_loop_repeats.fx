// ... but a read that is the same in every iteration is made once.
//? entry ps_2_0 main()
//? abs 0.001
//? expect 0 0 0 0.78
sampler2D S;
float4 main(float2 t : TEXCOORD0) : COLOR0
{
    float4 c = 0;
    for (float i = 0; i < 40; i++)
        c += tex2D(S, t) * (i * 0.001);
    return c;
}
