// break leaves a loop or a switch; an if is neither.
//? entry ps_3_0 main()
//? error 9 'break' is only allowed inside a loop or a switch
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    float4 c = 0.5;
    if (uv.x > 0.5)
    {
        break;
    }
    return c;
}
