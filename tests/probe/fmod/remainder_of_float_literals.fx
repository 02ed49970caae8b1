// % of two float literals folds as it computes at run time: 7.5 % -5.0 = 2.5.
//? entry ps_3_0 main()
//? ulps 16
//? expect 2.5 -2.5 -1 1.5
float4 main() : COLOR0
{
    float a = 7.5 % -5.0, b = -7.5 % 5.0;
    return float4(a, b, 5 - 7.5 % 5.0 * 2 - 1, 10.5 % 3);
}
