// Overloads that differ only by an int and a float matrix are two
// functions: each call takes the one its arguments fit (a variable's or a
// cast's kind), and an out argument writes back through the one it names.
//? entry ps_3_0 main()
//? ps c0 = 1.5 2.5 0 0  3.5 4.5 0 0
//? expect 1.5 2 10 1
row_major float2x2 m : register(c0);
float f(float2x2 a);
float f(int2x2 a);
float f(float2x2 a) { return a._11; }
float f(int2x2 a) { return a._12 * 10; }
void g(out float2x2 r, float2x2 a) { r = a; }
void g(out int2x2 r, float2x2 a) { r = a * 2; }
float4 main() : COLOR0
{
    int2x2 i = m;
    float2x2 x;
    g(x, m);
    int2x2 j;
    g(j, m);
    return float4(f(x), f((int2x2)x) / 10, f(i) / 2, j._11 == 3);
}
