// A local of a struct holding a sampler takes its samplers where it starts
// as a copy of a variable; assigning it later is an error at its name.
//? entry ps_3_0 main()
//? error 10 'c' holds a sampler ('map'): it cannot be assigned to
struct Material { float4 tint; sampler2D map; };
Material a, b;
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    Material c = a;
    c = b;
    return tex2D(c.map, uv) * c.tint;
}
