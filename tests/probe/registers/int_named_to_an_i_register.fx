// An int given an i register by name (either form) is a loop count the
// effect sets: it loads without glslang's word on a register kind it lacks,
// and the loop runs as many times as the value says.
//? expect 0.75 0.5 0 1
int Count : register(i0) = 3;
int Steps : register(ps, i2) = 2;
float4 ps_main() : COLOR0
{
    float4 c = float4(0, 0, 0, 1);
    for (int i = 0; i < Count; i++) c.r += 0.25;
    for (int j = 0; j < Steps; j++) c.g += 0.25;
    return c;
}
technique T { pass { PixelShader = compile ps_3_0 ps_main(); } }
