// A function is a name from its first declaration on.
//? entry ps_3_0 main()
//? error 6 'shade' is called before it is declared
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return shade(uv);
}
float4 shade(float2 uv) { return uv.xyxy; }
