// % on floats is fmod: 42 % -5 = 2, -42 % 5 = -2.
//? entry ps_3_0 main()
//? ps c0 = 42 -5 -42 5
//? ps c1 = 7.5 -5 -7.5 5
//? ulps 16
//? expect 2 -2 2.5 -2.5
float4 v : register(c0);
float4 w : register(c1);
float4 main() : COLOR0
{
    return float4(v.x % v.y, v.z % v.w, w.x % w.y, w.z % w.w);
}
