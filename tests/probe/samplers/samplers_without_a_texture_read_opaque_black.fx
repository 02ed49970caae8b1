// A sampler no texture is bound to reads (0, 0, 0, 1), of every kind: one
// without states, one whose texture has no image file, a cube and a volume
// sampler. Each pixel sums one read with a marker in its own channel.
//? entry ps_3_0 main()
//? size 4 1
//? expect at 0 0 = 0.5 0 0 1
//? expect at 1 0 = 0 0.5 0 1
//? expect at 2 0 = 0 0 0.5 1
//? expect at 3 0 = 0.5 0.5 0 1
sampler2D Plain;
texture NoFile;
sampler2D FromNoFile = sampler_state { Texture = <NoFile>; MinFilter = LINEAR; };
samplerCUBE Cube;
sampler3D Volume;
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    float i = floor(uv.x * 4 + 0.5);
    if (i < 1) return tex2D(Plain, uv) + float4(0.5, 0, 0, 0);
    if (i < 2) return tex2Dlod(FromNoFile, float4(uv, 0, 1)) + float4(0, 0.5, 0, 0);
    if (i < 3) return texCUBE(Cube, float3(1, uv)) + float4(0, 0, 0.5, 0);
    return tex3D(Volume, float3(uv, 0.5)) + float4(0.5, 0.5, 0, 0);
}
