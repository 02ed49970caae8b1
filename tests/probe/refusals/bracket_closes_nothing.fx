// A ')' or ']' that closes no bracket is said where it stands, not as a
// path that returns nothing further down.
//? entry ps_3_0 main()
//? error 9 ')' closes no '('
float4 main() : COLOR0
{
    float a[2] = { 0.5, 0.25 };
    float b = (a[0] + a[1]) * 2;
    b = a[0] + 0.25);
    return b;
}
