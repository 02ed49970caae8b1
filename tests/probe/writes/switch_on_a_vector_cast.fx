// A switch takes one int: a cast to int2 gives it two.
//? entry ps_3_0 main()
//? error 6 a switch takes one int or uint; 'int2' is a vector
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    switch ((int2)uv)
    {
    default: return 0.5;
    }
}
