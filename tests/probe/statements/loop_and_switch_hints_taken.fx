// [fastopt] and [allow_uav_condition] on loops, [forcecase] and [call] on
// switches are hints: the values are those of the plain statements.
//? entry ps_3_0 main()
//? ps c0 = 3 2 0 0
//? expect 0.375 0.5 0.25 1
float4 v;
float4 main() : COLOR0
{
    float s = 0, t = 0, u = 0;
    [fastopt] for (int i = 0; i < v.x; i++) s += 0.125;
    [allow_uav_condition] while (t < v.y * 0.25) t += 0.25;
    [forcecase] switch ((int)v.y) { case 2: u = 0.125; break; default: u = 1; break; }
    [call] switch ((int)v.x) { case 3: u += 0.125; break; }
    return float4(s, t, u, 1);
}
