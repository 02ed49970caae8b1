//! args -T ps_2_0
//! line   pixel: ps_2_0 main()
// A sampler parameter no compile statement gives takes a free stage, not
// the one of the global sampler the shader also reads.
sampler2D Scene;
float4 main(float2 uv : TEXCOORD0, uniform sampler2D overlay) : COLOR0
{
    return tex2D(Scene, uv) + tex2D(overlay, uv);
}
