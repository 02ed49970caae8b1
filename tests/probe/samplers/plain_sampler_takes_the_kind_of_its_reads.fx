// A plain `sampler` is of the kind its reads ask for: texCUBE reads a cube
// texture through it and tex3D a volume, also when a function's parameter
// of that kind (or a plain one it reads so) takes it, or a local copies it.
// Cube faces +X red, -X green; volume slices: front black, back blue.
//? texture faces.dds cube 1x1 rgba8
//? texels 255 0 0 255
//? texels 0 255 0 255
//? texels 0 0 0 255 *4
//? texture slices.dds volume 1x1x2 rgba8
//? texels 0 0 0 255
//? texels 0 0 255 255
//? entry ps_2_0 main()
//? abs 0.004
//? expect 1 1 2 4
texture Faces < string ResourceName = "faces.dds"; >;
texture Slices < string ResourceName = "slices.dds"; >;
sampler Sky = sampler_state { Texture = <Faces>; };
sampler Fog = sampler_state { Texture = <Slices>; };
float4 Look(sampler s, float3 d) { return texCUBE(s, d); }
float4 Slice(sampler3D v, float w) { return tex3D(v, float3(0.5, 0.5, w)); }
float4 main() : COLOR0
{
    sampler fog = Fog;
    return texCUBE(Sky, float3(1, 0.1, 0.2)) + Look(Sky, float3(-1, 0.1, 0.2)) + Slice(Fog, 0.75) +
           tex3D(fog, float3(0.5, 0.5, 0.75));
}
