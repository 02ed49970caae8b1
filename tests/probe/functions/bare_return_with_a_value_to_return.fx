// A function with a value to return cannot end a path with a bare return.
//? entry ps_3_0 main()
//? error 7 'half_of': a function of type float must return a value
float4 v;
float half_of(float x)
{
    if (x < 0) return;
    return x * 0.5;
}
float4 main() : COLOR0 { return float4(half_of(v.x), 0, 0, 1); }
