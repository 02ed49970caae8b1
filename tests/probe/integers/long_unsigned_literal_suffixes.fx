// An integer literal may carry the long suffix before the unsigned one, as
// C spells it ("7lu" is "7ul"): an unsigned literal, in code and in a
// global's initial value.
//? entry ps_3_0 main()
//? expect 7 16 3000000000 9
uint g = 9lu;
float4 main() : COLOR0
{
    return float4(7lu, 0x10LU, 3000000000Lu, g);
}
