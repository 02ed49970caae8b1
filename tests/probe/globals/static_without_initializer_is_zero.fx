// A static global without an initializer starts at zero.
//? entry ps_3_0 main()
//? expect 0 0 0 1
static float4 s;
float4 main() : COLOR0
{
    return float4(s.xyz, 1);
}
