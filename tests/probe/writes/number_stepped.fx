// ++ and -- write their operand back: a number has nowhere to go.
//? entry ps_3_0 main()
//? error 7 '1' is a number: ++ and -- need a variable
float4 main() : COLOR0
{
    float a = 0.5;
    a += ++1;
    return a;
}
