// The call takes the declaration of one parameter, which nothing defines;
// the function defined has two.
//? entry ps_3_0 main()
//? error 9 'scale': a function declared but never defined
float scale(float x);
float scale(float x, float by) { return x * by; }
float4 main() : COLOR0
{
    return float4(scale(1, 0.5), scale(0.5), 0, 1);
}
