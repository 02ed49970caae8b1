// An index is one number: a vector given as one is refused, not narrowed.
//? entry ps_3_0 main()
//? error 8 an index is one number; 'uv' is a vector
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    float a[3] = { 0.25, 0.5, 0.75 };
    int2 pick = (int2)uv;
    return a[uv] + a[pick.x];
}
