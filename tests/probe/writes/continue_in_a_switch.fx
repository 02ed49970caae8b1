// continue goes on with a loop: a switch outside any loop has none.
//? entry ps_3_0 main()
//? error 8 'continue' is only allowed inside a loop
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    switch ((int)(uv.x * 4))
    {
    case 1: continue;
    default: break;
    }
    return 0.5;
}
