// A sampler given as a compile argument to a uniform sampler parameter: the
// shader samples it (a sampler without a texture reads opaque black).
//? entry ps_2_0 main(scene, 0.5)
//? expect 0.5 0.5 0.5 1
sampler2D scene;
float4 main(float2 uv : TEXCOORD0, uniform sampler2D tex, uniform float k) : COLOR0
{
    return tex2D(tex, uv) + float4(k, k, k, 0);
}
