// A string is a value of annotations and globals only, never a parameter.
//? entry ps_3_0 main()
//? error 5 'name': a parameter cannot be a string
string label = "glow";
float4 main(string name : TEXCOORD0) : COLOR0
{
    return float4(0.5, 0.25, 0, 1);
}
