// A const int that is zero divides by zero as a literal does.
//? entry ps_3_0 main()
//? error 7 modulus by zero
static const int none = 0;
float4 main() : COLOR0
{
    int x = 7 % none;
    return x;
}
