// sincos(x, x, c): both values are of the angle given, as of any call's
// in parameter; the cosine is not taken of the sine written into x first.
//? entry ps_3_0 main()
//? ps c0 = 0.5 2.75 0 0
//? abs 2e-4
//? expect 0.479425539 0.877582562 0.75 2
float4 v : register(c0);
float4 main() : COLOR0
{
    float x = v.x, c;
    sincos(x, x, c);
    float w = v.y;
    float f = modf(w, w);
    return float4(x, c, f, w);
}
