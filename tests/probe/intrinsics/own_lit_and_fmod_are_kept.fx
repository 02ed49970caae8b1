// A shader may define functions named like intrinsics: its own lit and fmod are called.
//? entry ps_3_0 main()
//? ps c0 = 0.5 0.5 2 0
//? expect 7 7 7 7
float4 v;
float4 lit(float a, float b, float c) { return 7; }
float fmod(float a, float b) { return 0; }
float4 main() : COLOR0
{
    return lit(v.x, v.y, v.z) + fmod(-7.5, 2);
}
