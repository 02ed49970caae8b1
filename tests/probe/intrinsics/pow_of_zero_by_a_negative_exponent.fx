// pow(0, y) is +inf for a negative y and 0 for a positive one, computed or
// folded, in either stage (pow's instructions take 2 to y * log2(0)).
//? entry vs_3_0 main()
//? vs c0 = 0 -1 -2.5 2
//? expect 1 1 0 0.25
float4 v;
struct VOut { float4 p : POSITION; float4 t : TEXCOORD0; };
VOut main(float4 p : POSITION)
{
    VOut o;
    o.p = p;
    float2 inf = pow(v.xx, v.yz);
    o.t = float4(inf.x > 1e38, isinf(inf.y) && pow(0.0, -2) > 1e38, pow(v.x, v.w), pow(v.w, v.z + 0.5));
    return o;
}
