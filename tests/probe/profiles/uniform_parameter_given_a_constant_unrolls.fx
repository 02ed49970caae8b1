// A function's `uniform` parameter is an ordinary one once it is called: a
// loop it bounds unrolls in ps_2_0 when the call gives a constant, as a
// shared blur written for several tap counts does.
//? entry ps_2_0 main()
//? ps c0 = 0.25 0.5 0 0
//? expect 0.75 1 0 1
float4 weight : register(c0);
float blur(uniform int taps, float w)
{
    float s = 0;
    for (int i = 0; i < taps; i++)
        s += w;
    return s;
}
float4 main() : COLOR0
{
    return float4(blur(3, weight.x), blur(2, weight.y), 0, 1);
}
