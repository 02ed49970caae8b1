// A case label stands in its switch's own block: one inside an if within
// the switch is an error, not a jump into the if.
//? entry ps_3_0 main()
//? ps c0 = 1 1 0 0
//? error 12 'case' must stand in its switch's own block
float4 v;
float4 main() : COLOR0
{
    float s = 0;
    switch ((int)v.x) {
    case 0:
        if (v.y > 0) { case 1: s = 1; }
        break;
    }
    return float4(s, 0, 0, 1);
}
