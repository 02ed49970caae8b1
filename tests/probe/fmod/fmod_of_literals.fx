// fmod and % of literals fold as they compute at run time: truncated.
//? entry ps_3_0 main()
//? xfail glslang folds fmod and % of constants itself, flooring, before any SPIR-V exists
//? ulps 16
//? expect -0.5 1.5 -1.5 2.5
float4 main() : COLOR0
{
    return float4(fmod(-0.5, 6.5), fmod(7.5, 2.0), fmod(-7.5, 2.0), 7.5 % -5.0);
}
