// fmod(x, y) = x - y * trunc(x / y): the result has the sign of x.
//? entry ps_3_0 main()
//? ps c0 = -0.5 6.5 7.5 -7.5
//? ps c1 = 2 -2 0 0
//? ulps 16
//? expect -0.5 1.5 -1.5 1.5
float4 x : register(c0);
float4 y : register(c1);
float4 main() : COLOR0
{
    return float4(fmod(x.x, x.y), fmod(x.z, y.x), fmod(x.w, y.x), fmod(x.z, y.y));
}
