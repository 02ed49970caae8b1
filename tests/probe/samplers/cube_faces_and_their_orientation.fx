// texCUBE picks the face of the direction's largest component (+X, -X, +Y,
// -Y, +Z, -Z, a pixel each; the length does not count) and the texel in it
// as Direct3D 9 lays the faces out: on +X, u runs along -z and v along -y;
// on +Y, u along +x and v along +z; on +Z, u along +x and v along -y; the
// negative faces mirror them. Face f's texel (x, y) holds (40 f, 255 x,
// 255 y, 255); rows top first as the file stores them.
//? texture faces.dds cube 2x2 rgba8
//? texels 0 0 0 255  0 255 0 255  0 0 255 255  0 255 255 255
//? texels 40 0 0 255  40 255 0 255  40 0 255 255  40 255 255 255
//? texels 80 0 0 255  80 255 0 255  80 0 255 255  80 255 255 255
//? texels 120 0 0 255  120 255 0 255  120 0 255 255  120 255 255 255
//? texels 160 0 0 255  160 255 0 255  160 0 255 255  160 255 255 255
//? texels 200 0 0 255  200 255 0 255  200 0 255 255  200 255 255 255
//? entry ps_2_0 main()
//? size 6 1
//? abs 0.002
//? expect at 0 0 = 0 1 0 1
//? expect at 1 0 = 0.156863 0 1 1
//? expect at 2 0 = 0.313725 1 1 1
//? expect at 3 0 = 0.470588 1 0 1
//? expect at 4 0 = 0.627451 1 1 1
//? expect at 5 0 = 0.784314 0 0 1
texture Cube < string ResourceName = "faces.dds"; >;
samplerCUBE Faces = sampler_state { Texture = <Cube>; };
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    float i = floor(uv.x * 6 + 0.5);
    if (i < 1) return texCUBE(Faces, 1 * float3(1, 0.5, -0.5));
    if (i < 2) return texCUBE(Faces, 3 * float3(-1, -0.5, -0.5));
    if (i < 3) return texCUBE(Faces, 1 * float3(0.5, 1, 0.5));
    if (i < 4) return texCUBE(Faces, 3 * float3(0.5, -1, 0.5));
    if (i < 5) return texCUBE(Faces, 1 * float3(0.5, -0.5, 1));
    return texCUBE(Faces, float3(0.5, 0.5, -1));
}
