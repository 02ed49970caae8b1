// fmod works per component on vectors.
//? entry ps_3_0 main()
//? ps c0 = -5.25 5.25 -5.25 5.25
//? ps c1 = 2 -2 -2 2
//? ulps 16
//? expect -1.25 1.25 -1.25 1.25
float4 x : register(c0);
float4 y : register(c1);
float4 main() : COLOR0
{
    return fmod(x, y);
}
