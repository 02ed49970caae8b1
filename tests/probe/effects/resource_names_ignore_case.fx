// Effects were written where file names ignore case and folders are
// separated by backslashes: a ResourceName that differs from the file on
// disk only in case reads that file, not the placeholder.
//? texture swatch.dds 2d 1x1 rgba8
//? texels 64 128 192 255
//? abs 0.002
//? expect 0.25098 0.501961 0.752941 1
texture Swatch < string ResourceName = ".\\SWATCH.Dds"; >;
sampler2D SwatchSampler = sampler_state { Texture = <Swatch>; MinFilter = Point; MagFilter = Point; };
float4 ps_main() : COLOR0 { return tex2D(SwatchSampler, float2(0.5, 0.5)); }
technique T { pass P { PixelShader = compile ps_2_0 ps_main(); } }
