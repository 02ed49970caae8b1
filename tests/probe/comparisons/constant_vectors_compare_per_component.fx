// Comparisons of constant vectors give one answer per component, as those
// of values read at run time do: as a colour, as a condition, as a bool3
// inside a constructor, and given to all() and any().
//? entry ps_3_0 main()
//? size 5 1
//? expect at 0 0 = 1 0 1 0
//? expect at 1 0 = 0.25 0.125 0.25 0.125
//? expect at 2 0 = 1 0 0 1
//? expect at 3 0 = 0 1 0 1
//? expect at 4 0 = 1 0 1 1
static const float4 K = float4(1, 0, 1, 0);
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    if (uv.x < 0.1) return float4(1, 0, 1, 0) > 0.5;
    if (uv.x < 0.3) return (K >= float4(0.5, 0.5, 0.5, 0.5)) ? 0.25 : 0.125;
    if (uv.x < 0.5) return float4(float3(1, 0, 1) <= float3(1, -1, 0), 1);
    if (uv.x < 0.7) return -K < -0.5 == false;
    return float4(all(K.xz > 0.5), any(K.yw > 0.5), !all(K < 0.5), any(K >= 1));
}
