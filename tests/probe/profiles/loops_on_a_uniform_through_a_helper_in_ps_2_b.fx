// A helper's parameter given a uniform bounds nothing either: ps_2_b cannot
// unroll the helper's loop.
//? entry ps_2_b main()
//? error 9 loop
int taps;
float4 blur(float2 t, int n)
{
    float4 c = 0;
    for (int i = 0; i < n; i++)
        c += t.x;
    return c;
}
float4 main(float4 uv : TEXCOORD0) : COLOR0
{
    return blur(uv.xy, taps);
}
