// Element 15 of a sampler array is s15, the last a pixel shader has (no
// texture: it reads opaque black).
//? entry ps_3_0 main()
//? expect 0 0 0 1
sampler2D many[16];
float4 main(float2 t : TEXCOORD0) : COLOR0
{
    return tex2D(many[15], t);
}
