// A shader's code has no string values: a local string may be declared,
// but reading it is an error at its name.
//? entry ps_3_0 main()
//? error 8 'name' is a string
float4 main() : COLOR0
{
    string name = "grey";
    return name == "grey" ? 0.5 : 0;
}
