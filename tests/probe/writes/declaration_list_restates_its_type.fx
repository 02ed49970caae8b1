// After a declaration list's comma comes the next name, without a type.
//? entry ps_3_0 main()
//? error 7 'float': after a comma a declaration names its next variable
float4 main() : COLOR0
{
    float r = 0;
    for (int i = 0, float j = 1; i < 2; i++)
        r += 0.25;
    return r;
}
