// A static array or struct whose initializer list calls a function starts
// with the values the call gives, in every entry point.
//? entry ps_3_0 main()
//? ps c0 = 1.5 0 0 0
//? expect 3 2 4.5 -1
float4 v : register(c0);
struct Pair { float a; float b; };
float Twice(float x) { return x * 2; }
static float list[2] = { Twice(v.x), 2 };
static Pair pair = { v.x * 3, Twice(-0.5) };
float4 main() : COLOR0
{
    return float4(list[0], list[1], pair.a, pair.b);
}
