// A bool colour is written as 0 or 1 per component.
//? entry ps_3_0 main()
//? ps c0 = 1 -2 0 4
//? expect 1 0 0 1
float4 v : register(c0);
bool4 main() : COLOR0
{
    return bool4(v.x > 0, v.y > 0, v.z, v.w);
}
