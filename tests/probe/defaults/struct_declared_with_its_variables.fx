// A struct declared with its variables: their initial values and
// registers are those of any global of that type.
//? entry ps_3_0 main()
//? ps c4 = 5 6 7 8
//? expect 1 2 3 7
struct Pair { float a; float b; } pair = {1, 2}, other : register(c4);
static const struct Single { float v; } single = {3};
float4 main() : COLOR0 { return float4(pair.a, pair.b, single.v, other.a + pair.b); }
