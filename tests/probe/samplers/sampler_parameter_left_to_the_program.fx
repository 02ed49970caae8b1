// A sampler parameter of the entry point that the compile statement leaves
// to the program, without a register of its own, takes a free stage: it
// does not meet the global sampler at s0 that the shader also reads.
//? texture red.dds 2d 1x1 rgba8
//? texels 255 0 0 255
//? entry ps_2_0 main()
//? expect 1 0 0 1
texture Red < string ResourceName = "red.dds"; >;
sampler2D Global = sampler_state { Texture = <Red>; };
float4 main(float2 uv : TEXCOORD0, uniform sampler2D given) : COLOR0
{
    return tex2D(Global, uv) + tex2D(given, uv) * 0;
}
