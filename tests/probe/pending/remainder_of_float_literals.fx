// % of two float literals folds as it computes at run time: 7.5 % -5.0 = 2.5.
//? entry ps_3_0 main()
//? xfail glslang folds % of float constants to the left operand before any SPIR-V exists
//? ulps 16
//? expect 2.5 -2.5 0 0
float4 main() : COLOR0
{
    return float4(7.5 % -5.0, -7.5 % 5.0, 0, 0);
}
