// Storage classes that agree: extern with uniform, static with const, in
// with out on a parameter (inout), const with in.
//? entry ps_3_0 main()
//? expect 0.25 0.75 0.5 1
extern uniform float u = 0.25;
static const float h = 0.5;
void Bump(in out float v, const in float by) { v += by; }
float4 main() : COLOR0
{
    float g = h;
    Bump(g, 0.25);
    return float4(u, g, h, 1);
}
