// A value takes a constant register (c, b or i), never a sampler's.
//? entry ps_3_0 main()
//? error 4 'tint' is a float4: 's1' is a register of samplers or textures
float4 tint : register(s1);
float4 main() : COLOR0
{
    return tint;
}
