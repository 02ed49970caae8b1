// A vs_3_0 texture read through a sampler no texture is bound to reads
// (0, 0, 0, 1), as a pixel shader's does.
//? entry vs_3_0 main()
//? expect 0.25 0 0 1
sampler2D Unbound;
float4 main(float4 p : POSITION, out float4 t : TEXCOORD0) : POSITION
{
    t = tex2Dlod(Unbound, float4(0.5, 0.5, 0, 0)) + float4(0.25, 0, 0, 0);
    return p;
}
