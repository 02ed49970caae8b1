// An initializer reads the macros as they stand at its declaration: a
// function-like macro expands, and a later #define does not change it.
//? entry ps_3_0 main()
//? expect 0.25 0.5 0.75 0.5
#define RGB(r, g, b) float4(r, g, b, ALPHA)
#define ALPHA 0.5
float4 tint = RGB(0.25, 0.5, 0.75);
#undef ALPHA
#define ALPHA 1
float4 main() : COLOR0
{
    return tint;
}
