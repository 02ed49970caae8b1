// An if's condition is an expression: a declaration there is refused.
//? entry ps_3_0 main()
//? error 6 'v': a condition cannot declare a variable
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    if (float v = uv.x)
        return v;
    return 0.5;
}
