// faceforward(n, i, ng) is -n * sign(dot(i, ng)): n facing away, -n facing
// along, and 0 where i and ng are at right angles.
//? entry ps_3_0 main()
//? size 3 1
//? ps c0 = 1 0 0 0
//? expect at 0 0 = 1 2 3 0
//? expect at 1 0 = -1 -2 -3 0
//? expect at 2 0 = 0 0 0 0
float4 ng : register(c0);
float4 main(float2 p : VPOS) : COLOR0
{
    const float3 n = float3(1, 2, 3);
    float3 i = p.x == 0 ? float3(-1, 0, 0) : p.x == 1 ? float3(1, 0, 0) : float3(0, 1, 0);
    return float4(faceforward(n, i, ng.xyz), 0);
}
