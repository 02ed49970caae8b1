// A '(' left open at the statement's ';' is said there, not where the
// reading of what follows fails.
//? entry ps_3_0 main()
//? error 7 ')' expected before ';': the '(' at line 7, column 15 is not closed
float4 main() : COLOR0
{
    float a = (0.5 + 0.25;
    for (int i = 0; i < 2; i++) a += (0.125);
    return float4(a, 0.25, 0, 1);
}
