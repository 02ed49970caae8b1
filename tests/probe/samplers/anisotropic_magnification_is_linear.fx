// An anisotropic MagFilter magnifies as Linear does, whatever MaxAnisotropy
// says: u = 0.4375 blends texels 1 and 2 of the row as 3 : 1. (MaxAnisotropy
// is given to the driver only while the MinFilter is anisotropic.)
//? texture grid.dds 2d 4x4 rgba8
//? texels 0 0 40 255  80 0 40 255  160 0 40 255  240 0 40 255
//? texels 0 80 40 255  80 80 40 255  160 80 40 255  240 80 40 255
//? texels 0 160 40 255  80 160 40 255  160 160 40 255  240 160 40 255
//? texels 0 240 40 255  80 240 40 255  160 240 40 255  240 240 40 255
//? entry ps_2_0 main()
//? size 1 1
//? abs 0.002
//? expect 0.392157 0.627451 0.156863 1
texture Grid < string ResourceName = "grid.dds"; >;
sampler S = sampler_state { Texture = <Grid>; MagFilter = Anisotropic; MaxAnisotropy = 8; };
float4 main() : COLOR0 { return tex2D(S, float2(0.4375, 0.625)); }
