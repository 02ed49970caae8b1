// A global's initial value may compare (0 or 1 per component), join with
// && and ||, and choose with ?: (a vector condition per component).
//? entry ps_3_0 main()
//? size 2 1
//? expect at 0 0 = 0 2 1 1
//? expect at 1 0 = 2 -1 5 0
float3 above = float3(1, 2, 3) > 1.5;
float count = (2 > 1) + (1 >= 2) + (3 != 3) + (4 <= 4) - (5 == 5);
float4 picked = float4(1, -1, 2, 0) > 0 ? float4(2, 2, 5, 5) : float4(-1, -1, 0, 0);
bool both = 1 < 2 && 3 < 2 || !(1 != 1);
float4 main(float2 p : VPOS) : COLOR0
{
    if (p.x == 0) return float4(above.x, above.y + count, above.z, both);
    return picked;
}
