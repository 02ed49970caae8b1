// Initializers may use literals, constructors, unary minus, simple
// arithmetic and macros.
//? entry ps_3_0 main()
//? expect -1.5 6 0.5 3
#define HALF 0.5
float2 a = -float2(1.5, -2 * 3);
float b = HALF;
int c = 7 / 2;
float4 main() : COLOR0
{
    return float4(a, b, c);
}
