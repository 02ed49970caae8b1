// D3DCOLORtoUBYTE4 swaps x and z and scales by 255.002 to ints, of a
// float4 and of an int4 that a call makes alike.
//? entry ps_3_0 main()
//? size 2 1
//? ps c0 = 1 0.5 0.25 1
//? expect 63 127 255 255
//? expect at 1 0 = 0 255 510 510
float4 v;
int4 Whole(float4 x) { return int4(x); }
float4 main(float2 p : VPOS) : COLOR0
{
    if (p.x == 1) return D3DCOLORtoUBYTE4(Whole(v * 2));
    return D3DCOLORtoUBYTE4(v);
}
