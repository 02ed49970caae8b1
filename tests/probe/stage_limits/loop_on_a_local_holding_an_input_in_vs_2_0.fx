// vs_2_0's loops repeat a count the effect sets: a local that holds an
// input's value cannot be one, as the input itself cannot.
//? entry vs_2_0 main()
//? error 9 loop
float4 main(float4 p : POSITION, inout float4 uv : TEXCOORD0) : POSITION
{
    int n = (int)(p.w * 3);
    float4 s = p;
    for (int i = 0; i < n; i++)
        s.x += 0.125;
    return s;
}
