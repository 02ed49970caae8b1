// Shader models 2 and 3 have no bitwise instructions, but the compiler folds
// them on constants: #define'd flags combined with |, a static const tested
// with &, shifts and ~ of literals and of a const local, ^ in an array size.
//? entry ps_2_0 main()
//? expect 0.5 0.25 0.75 1
#define FLAG_SHADOW 1
#define FLAG_FOG 2
#define FLAGS (FLAG_SHADOW | FLAG_FOG)
static const int enabled = FLAG_FOG;
static const float weights[6 ^ 2] = { 0.25, 0.5, 0.75, 1 };
float4 main() : COLOR0
{
    const int eighth = 64 >> 3;
    float r = FLAGS / 6.0;
    float g = (enabled & FLAG_SHADOW) ? 1 : weights[0];
    float b = ((1 << 4) + ~0 + eighth) / 23.0 * weights[2];
    return float4(r, g, b, 1);
}
