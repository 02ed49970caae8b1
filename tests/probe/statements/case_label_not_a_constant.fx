// A case label is a constant: a variable is an error at its name.
//? entry ps_3_0 main()
//? error 9 'j' is not one
int k;
float4 main() : COLOR0
{
    int j = 2;
    float a = 0;
    switch (k) { case j: a = 1; break; default: break; }
    return float4(a, 0, 0, 1);
}
