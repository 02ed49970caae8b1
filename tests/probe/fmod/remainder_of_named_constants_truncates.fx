// % of constants truncates also where they are named or in parentheses, and
// ints stay ints: -7.5 % 2 is -1.5, (-7.5) % 2 is -1.5, 7 % -3 is 1.
//? entry ps_3_0 main()
//? expect -1.5 -1.5 -1.5 1
static const float k = -7.5;
float4 main() : COLOR0
{
    const float two = 2;
    const int seven = 7;
    return float4(k % two, (-7.5) % 2, (k * 1) % (1 + 1), seven % -3);
}
