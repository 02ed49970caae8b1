// A static global's initial value may call the effect's functions (and read
// parameters and the statics before it); it is computed before the shader's
// own code, in declaration order.
//? entry ps_3_0 main()
//? ps c0 = 2 0 0 0
//? expect 4 6 1 1
float k : register(c0);
struct Pair { float a; float b; };
float twice(float x) { return x * 2; }
Pair make(float a) { Pair p; p.a = a; p.b = a + 2; return p; }
static const float g = twice(k);
static Pair p = make(g);
static float calls = 0;
float counted() { calls += 1; return calls; }
static float once = counted();
float4 main() : COLOR0
{
    return float4(p.a, p.b, once, calls);
}
