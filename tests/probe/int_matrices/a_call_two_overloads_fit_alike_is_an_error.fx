// A bool matrix given to overloads of a float and of an int matrix: each
// is a conversion of its kind, neither fits better, and the call is refused.
//? entry ps_3_0 main()
//? error 10 ambiguous function call
row_major float2x2 m : register(c0);
void Load(out float2x2 r, float2x2 a) { r = a; }
void Load(out int2x2 r, float2x2 a) { r = a; }
float4 main() : COLOR0
{
    bool2x2 b; Load(b, m);
    return float4(b[0], b[1]);
}
