// "technique" is an effect keyword in any case: not a name.
//? entry ps_3_0 main()
//? error 6 Technique
float4 main() : COLOR0
{
    float4 Technique = 0.5;
    return Technique;
}
