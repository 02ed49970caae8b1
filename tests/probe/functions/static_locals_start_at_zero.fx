// static locals and globals without an initializer start at zero: scalars,
// vectors, arrays and structs.
//? entry ps_3_0 main()
//? expect 0 0 0 1
struct S { float4 a; int b; };
static S g;
static float garr[3];
float4 main() : COLOR0
{
    static float s;
    static int4 i;
    static float a[2];
    return float4(s + g.a.x + g.b, i.y + a[1], garr[2], 1);
}
