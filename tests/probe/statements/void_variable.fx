// void is no variable's type, global, local, member or parameter.
//? entry ps_3_0 main()
//? error 4 'unused' cannot be of type void
void unused;
float4 main() : COLOR0
{
    return float4(0.5, 0.25, 0, 1);
}
