// Every call is inlined: a function that reaches itself through another is
// an error at the call that closes the circle.
//? entry ps_3_0 main()
//? error 7 'odd': a recursive call
float even(float x);
float odd(float x) { return x <= 0 ? 0 : even(x - 1); }
float even(float x) { return x <= 0 ? 1 : odd(x - 1); }
float4 main(float2 t : TEXCOORD0) : COLOR0
{
    return float4(odd(t.x * 4), 0.25, 0, 1);
}
