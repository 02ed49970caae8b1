//? entry ps_3_0 main()
//? error 8 a case label must be an integer constant
int k;
float4 main() : COLOR0
{
    switch (k)
    {
        case "one": return 1;
        default: break;
    }
    return float4(0.5, 0.25, 0, 1);
}
