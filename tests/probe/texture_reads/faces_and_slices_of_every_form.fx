// Cube reads pick the face the direction's largest component names, in
// every form; volume reads the slice of w, in every form. Faces +X red, -X
// green, +Y blue, -Y yellow, +Z cyan, -Z magenta; slices red then green.
//? entry ps_3_0 main()
//? size 2 1
//? abs 0.01
//? texture c.dds cube 1x1 rgba8
//? texels 255 0 0 255 0 255 0 255 0 0 255 255 255 255 0 255 0 255 255 255 255 0 255 255
//? texture v.dds volume 1x1x2 rgba8
//? texels 255 0 0 255 0 255 0 255
//? expect 1 1 1 1
texture C < string ResourceName = "c.dds"; string ResourceType = "CUBE"; >;
texture V < string ResourceName = "v.dds"; string ResourceType = "3D"; >;
samplerCUBE c = sampler_state { Texture = <C>; MinFilter = POINT; MagFilter = POINT; MipFilter = POINT; };
sampler3D v = sampler_state { Texture = <V>; MinFilter = POINT; MagFilter = POINT; MipFilter = POINT; };
float4 main(float2 p : VPOS) : COLOR0
{
    if (p.x < 1)
        return float4(texCUBE(c, float3(1, 0.1, 0.1)).r * texCUBElod(c, float4(-1, 0.1, 0.1, 0)).g,
                      texCUBEbias(c, float4(0.1, 1, 0.1, 1)).b * texCUBEproj(c, float4(0.2, -2, 0.2, 2)).g,
                      texCUBEgrad(c, float3(0.1, 0.1, 1), 0, 0).g, texCUBE(c, float3(0.1, 0.1, -1)).b);
    return float4(tex3D(v, float3(0.5, 0.5, 0.25)).r * tex3Dlod(v, float4(0.5, 0.5, 0.75, 0)).g,
                  tex3Dproj(v, float4(1, 1, 0.5, 2)).r * tex3Dbias(v, float4(0.5, 0.5, 0.75, 0)).g,
                  tex3Dgrad(v, float3(0.5, 0.5, 0.75), 0, 0).g, tex3D(v, float3(0.5, 0.5, 0.25), 0, 0).r);
}
