// ++ and -- need a variable: a number incremented is an error at the number.
//? entry ps_3_0 main()
//? error 8 need a variable
float4 v : register(c0);
float4 main() : COLOR0
{
    float a = v.x;
    return a + 1++;
}
