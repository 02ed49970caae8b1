// % on ints takes the sign of the dividend too.
//? entry ps_3_0 main()
//? ps c0 = 42 -5 -42 5
//? expect 2 -2 2 -2
float4 v : register(c0);
float4 main() : COLOR0
{
    int a = (int)v.x, b = (int)v.y, c = (int)v.z, d = (int)v.w;
    return float4(a % b, c % d, a % d, c % b);
}
