// fmod of literals folds as it computes at run time: truncated.
//? entry ps_3_0 main()
//? ulps 16
//? expect -0.5 1.5 -1.5 2.5
static const float k = fmod(7.5, -5.0);
float4 main() : COLOR0
{
    return float4(fmod(-0.5, 6.5), fmod(7.5, 2.0), fmod(-7.5, 2.0), k);
}
