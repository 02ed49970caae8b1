// A function with a value to return must return it on every path.
//? entry ps_3_0 main()
//? error 5 not all control paths return a value
float Pick(float x)
{
    if (x > 0.5)
        return 1;
    else if (x < 0.25)
        return 0;
}
float4 main(float4 uv : TEXCOORD0) : COLOR0
{
    return Pick(uv.x);
}
