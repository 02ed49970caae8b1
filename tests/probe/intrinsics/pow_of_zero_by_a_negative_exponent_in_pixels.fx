// pow(0, y) of a negative y is +inf in the pixel stage too; the target keeps
// it.
//? entry ps_2_0 main()
//? ps c0 = 0 -1 -2.5 2
//? expect inf inf 0 0.25
float4 v;
float4 main() : COLOR0
{
    return float4(pow(v.xx, v.yz), pow(v.x, v.w), pow(v.w, v.z + 0.5));
}
