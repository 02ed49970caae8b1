// A cast between two structs as a global's initial value takes the
// components in order, as in a function; so does a list of another
// global's members.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 5 6 7 12
struct Pair { float2 a; float2 b; };
struct Split { float x; float3 yzw; };
static const Pair Source = { 5, 6, 7, 8 };
static const Split Cast = (Split)Source;
static const Split Listed = { Source.a, Source.b.x, Source.b.y };
float4 main() : COLOR0
{
    return float4(Cast.x, Cast.yzw.x, Listed.yzw.y, Listed.yzw.z + Listed.x - 1);
}
