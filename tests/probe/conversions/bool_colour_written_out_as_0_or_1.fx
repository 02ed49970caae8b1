// A bool colour written out is 0 or 1 per component.
//? entry ps_3_0 main()
//? ps c0 = 3 -2 0 0.5
//? expect 1 0 1 1
float4 v : register(c0);
void main(out bool4 c : COLOR0)
{
    c = bool4(v.x > v.y, v.y > 0, !v.z, v.w);
}
