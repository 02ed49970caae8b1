// #line takes its number after macro expansion; later messages and
// __LINE__ follow it.
//? entry ps_3_0 main()
//? error 41 'undeclared_value': unknown variable
#define GENERATED_AT 40
#line GENERATED_AT
static float here = __LINE__;
float4 main() : COLOR0 { return undeclared_value * here; }
