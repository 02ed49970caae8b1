// Shader models 2 and 3 have no bitwise operators: an error at the first
// one in code an entry point reaches; && and || are logical and stay.
//? error 10 bitwise operators are not available
int flags;
int unused(int a) { return a | 1; }
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    int bits = flags;
    if (uv.x > 0.5 && uv.y > 0.5 || bits > 2)
        bits = bits << 1;
    return bits;
}
technique T { pass { PixelShader = compile ps_3_0 main(); } }
