// vs_2_0 stores 256 instructions. A loop marked [unroll] is made once per
// turn: 260 multiply-adds, each reading the one before, are past it. The
// same loop without the mark may stay a loop (rep), whose body is made
// once: taken.
//? error 19 too many instructions: at least 262, vs_2_0 takes at most 256
float4 k;
struct VOut { float4 p : POSITION; float4 t : TEXCOORD0; };
VOut unrolled(float4 p : POSITION)
{
    float4 v = p * k + float4(1, 2, 3, 4);
    [unroll] for (int i = 0; i < 260; i++)
        v = v * k + v.yzwx;
    VOut o; o.p = p; o.t = v / 8;
    return o;
}
float4 ps(float4 t : TEXCOORD0) : COLOR0 { return t; }
technique T {
    pass P {
        VertexShader = compile vs_2_0 unrolled();
        PixelShader = compile ps_2_0 ps();
    }
}
